#!/usr/bin/env python3
"""Writes a Tidewick feed store (Feeds.xml) and a Newsboat urls file for every feed of a generated corpus.

    make_refresh_store.py --manifest CORPUS/manifest.tsv --base http://127.0.0.1:18080/ --out DIR
gives DIR/Feeds.xml (feeds with no entries yet, as after subscribing) and DIR/urls.
"""
import argparse
import os
from xml.sax.saxutils import escape

ap = argparse.ArgumentParser()
ap.add_argument("--manifest", required=True)
ap.add_argument("--base", required=True)
ap.add_argument("--out", required=True)
a = ap.parse_args()

with open(a.manifest, encoding="utf-8") as f:
    files = [line.split("\t")[0] for line in f.read().splitlines()[1:] if line.strip()]
os.makedirs(a.out, exist_ok=True)
urls = [a.base + name for name in files]
lines = ['<?xml version="1.0"?>', "<Feeds>"]
for number, (name, url) in enumerate(zip(files, urls), start=1):
    lines += [f"  <Feed{number}>", f"    <Name>{escape(name)}</Name>", f"    <URL>{escape(url)}</URL>",
              "    <Interval>60</Interval>", "    <RefreshAtStart>0</RefreshAtStart>",
              "    <LastDownloaded>0</LastDownloaded>", "    <Error>0</Error>", f"  </Feed{number}>"]
lines.append("</Feeds>")
with open(os.path.join(a.out, "Feeds.xml"), "w", encoding="utf-8", newline="\r\n") as f:
    f.write("\n".join(lines) + "\n")
with open(os.path.join(a.out, "urls"), "w", encoding="utf-8") as f:
    f.write("\n".join(urls) + "\n")

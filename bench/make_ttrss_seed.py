#!/usr/bin/env python3
"""Writes SQL (for psql) that seeds a Tiny Tiny RSS database with the entries of a generated corpus store.

    make_ttrss_seed.py --store CORPUS/store.xml --phase first|second [--owner 1] [--categories 10]
                       [--first-items 200] [--changed-marks 1000]

first: every feed of the store in --categories categories, and each feed's first --first-items entries, unread.
second: each feed's later entries (new articles) and --changed-marks existing articles marked read on the server.
The statements go to standard output; ids are given explicitly so that both phases agree without asking the server.
"""
import argparse
import datetime as dt
import hashlib
import random
import sys
import xml.etree.ElementTree as ET

ap = argparse.ArgumentParser()
ap.add_argument("--store", required=True)
ap.add_argument("--phase", choices=("first", "second"), required=True)
ap.add_argument("--owner", type=int, default=1)
ap.add_argument("--categories", type=int, default=10)
ap.add_argument("--first-items", type=int, default=200)
ap.add_argument("--changed-marks", type=int, default=1000)
a = ap.parse_args()

ID_BASE = 1000  # far from what the schema itself inserts
feeds = ET.parse(a.store).getroot().findall("Feed")
out = sys.stdout


def copy_text(value):
    return (value.replace("\\", "\\\\").replace("\t", "\\t").replace("\n", "\\n").replace("\r", "\\r"))


def copy(table, columns, rows):
    out.write(f"COPY {table} ({', '.join(columns)}) FROM STDIN;\n")
    for row in rows:
        out.write("\t".join(copy_text(str(value)) for value in row) + "\n")
    out.write("\\.\n")


def utc_text(seconds):
    stamp = dt.datetime.fromtimestamp(int(seconds or 0), dt.timezone.utc)
    return stamp.strftime("%Y-%m-%d %H:%M:%S")


def entries(first):
    """(entry id, feed id, item) of the phase's articles. The first phase's ids come first and the second's after
    them, as a server numbers what it stores, so both phases agree without asking the server."""
    number = ID_BASE
    if not first:
        number += sum(1 for _ in entries(True))
    for feed_number, feed in enumerate(feeds):
        for item_number, item in enumerate(feed.find("Items").findall("Item")):
            if (item_number < a.first_items) == first:
                number += 1
                yield number, ID_BASE + feed_number, item


out.write("BEGIN;\n")
if a.phase == "first":
    copy("ttrss_feed_categories", ("id", "owner_uid", "title"),
         ((ID_BASE + n, a.owner, f"Category {n + 1}") for n in range(a.categories)))
    copy("ttrss_feeds", ("id", "owner_uid", "title", "cat_id", "feed_url", "site_url"),
         ((ID_BASE + n, a.owner, feed.findtext("Title"), ID_BASE + n % a.categories, feed.findtext("Url"),
           feed.findtext("HomePage") or "") for n, feed in enumerate(feeds)))
rows = list(entries(a.phase == "first"))
copy("ttrss_entries", ("id", "title", "guid", "link", "updated", "content", "content_hash", "date_entered",
                       "date_updated", "author"),
     ((number, item.findtext("Title") or "", f"bench-{number}", item.findtext("Link") or "",
       utc_text(item.findtext("PublishedDate")), item.findtext("Description") or "",
       hashlib.sha1(str(number).encode()).hexdigest(), "now", "now", item.findtext("Author") or "")
      for number, _, item in rows))
copy("ttrss_user_entries", ("ref_id", "uuid", "feed_id", "owner_uid", "tag_cache", "label_cache", "unread"),
     ((number, "", feed_id, a.owner, "", "", "t") for number, feed_id, _ in rows))
if a.phase == "second":
    first_ids = [number for number, _, _ in entries(True)]
    changed = random.Random(42).sample(first_ids, min(a.changed_marks, len(first_ids)))
    out.write(f"UPDATE ttrss_user_entries SET unread = false, last_read = now() "
              f"WHERE ref_id IN ({','.join(map(str, changed))});\n")
out.write("SELECT setval('ttrss_entries_id_seq', (SELECT max(id) FROM ttrss_entries));\n")
out.write("SELECT setval('ttrss_feeds_id_seq', (SELECT max(id) FROM ttrss_feeds));\n")
out.write("SELECT setval('ttrss_feed_categories_id_seq', (SELECT max(id) FROM ttrss_feed_categories));\n")
out.write("COMMIT;\n")

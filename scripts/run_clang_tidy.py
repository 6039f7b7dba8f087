#!/usr/bin/env python3
"""Runs clang-tidy (the checks of .clang-tidy) over the product's sources and fails on any finding.

Usage: python3 scripts/run_clang_tidy.py [--jobs N] [--nice] [--scope core|qt|all] [BUILD_DIR]
BUILD_DIR (default build/dev) holds the compile_commands.json of a finished build (the Qt files need the moc
output). The default scope is the core (src/ without src/ui and src/app) and tools/: what the test command checks.
A file of the Qt layer costs three times a core file (Qt's headers), so --scope qt or all is run by hand. The
commands are GCC's: the precompiled header (which clang cannot read) and -Werror are dropped, so only the checks of
.clang-tidy decide. Prints the time taken and the slowest files.
"""

import argparse
import json
import os
import pathlib
import shutil
import subprocess
import sys
import time
from concurrent.futures import ThreadPoolExecutor

ROOT = pathlib.Path(__file__).resolve().parent.parent


def clang_command(command):
    """A GCC compile command with what clang cannot use removed."""
    kept = []
    words = iter(command.split())
    for word in words:
        if word == "-include":
            header = next(words, "")
            if "cmake_pch" not in header:
                kept += [word, header]
        elif word not in ("-Werror", "-Winvalid-pch") and not word.startswith("-Wno-stringop-"):
            kept.append(word)
    return " ".join(kept)


def is_qt_layer(relative):
    return relative.parts[:2] in (("src", "ui"), ("src", "app")) and relative.parts[:3] != ("src", "ui", "rules")


def selected(entries, scope):
    """The entries of scope, each file once (a source built into two targets is checked once)."""
    chosen = {}
    for entry in entries:
        path = pathlib.Path(entry["file"]).resolve()
        try:
            relative = path.relative_to(ROOT)
        except ValueError:
            continue
        if relative.parts[0] not in ("src", "tools") or path.suffix != ".cpp":
            continue
        if scope != "all" and is_qt_layer(relative) != (scope == "qt"):
            continue
        chosen.setdefault(str(path), dict(entry, file=str(path), command=clang_command(entry["command"])))
    return list(chosen.values())


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build_dir", nargs="?", default=str(ROOT / "build/dev"))
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--scope", choices=("core", "qt", "all"), default="core",
                        help="core: src/ without the Qt layer, and tools/ (the default); qt: src/ui and src/app")
    parser.add_argument("--nice", action="store_true", help="run at low priority, beside other work")
    parser.add_argument("--clang-tidy", default=shutil.which("clang-tidy") or "clang-tidy")
    args = parser.parse_args()

    build = pathlib.Path(args.build_dir).resolve()
    database = build / "compile_commands.json"
    if not database.exists():
        sys.exit(f"run_clang_tidy: no {database}; build first")
    if not shutil.which(args.clang_tidy):
        sys.exit("run_clang_tidy: clang-tidy is not installed (apt-get install clang-tidy)")
    entries = selected(json.loads(database.read_text()), args.scope)
    tidy_dir = build / "clang-tidy"
    tidy_dir.mkdir(exist_ok=True)
    (tidy_dir / "compile_commands.json").write_text(json.dumps(entries, indent=1))

    def check(entry):
        started = time.monotonic()
        result = subprocess.run(
            [args.clang_tidy, "-p", str(tidy_dir), "--quiet", "--warnings-as-errors=*",
             "--extra-arg=-Wno-unknown-warning-option", entry["file"]],
            capture_output=True, text=True, preexec_fn=(lambda: os.nice(10)) if args.nice else None)
        output = result.stdout + "".join(
            line + "\n" for line in result.stderr.splitlines() if "warnings generated" not in line)
        return entry["file"], result.returncode, output, time.monotonic() - started

    started = time.monotonic()
    with ThreadPoolExecutor(max_workers=max(1, args.jobs)) as pool:
        results = list(pool.map(check, entries))
    elapsed = time.monotonic() - started

    failed = [(name, output) for name, status, output, _ in results if status != 0]
    for name, output in failed:
        print(f"--- {os.path.relpath(name, ROOT)}\n{output}")
    slowest = sorted(results, key=lambda result: result[3], reverse=True)[:3]
    print("slowest: " + ", ".join(f"{os.path.relpath(name, ROOT)} {seconds:.0f} s" for name, _, _, seconds in slowest))
    print(f"clang-tidy: {len(entries)} files ({args.scope}), {len(failed)} with findings, {elapsed:.0f} s "
          f"on {args.jobs} jobs")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Runs clang-tidy over the files of a compile database that match the given regular
expressions, in parallel, and remembers the files it found clean.

A file is checked again only when what clang-tidy would see changes: the key of a clean
result is a hash of clang-tidy's version, the profile, the compile command (the tree's own path
left out) and the file as clang preprocesses it (every header it includes, our own and the
system's). Findings are never remembered, so a file with findings is checked on every run.

Usage: tidy.py BUILD_DIR REGEX... ; the cache is $TAMARACK_TIDY_CACHE or
~/.cache/tamarack/tidy. Exit status 1 when any file has findings or clang-tidy fails.
"""

import concurrent.futures
import hashlib
import json
import os
import re
import shlex
import subprocess
import sys

EXTRA_ARG = "-Wno-unknown-warning-option"  # the GCC build's warning options include one clang lacks


def arguments(entry):
    if "arguments" in entry:
        return list(entry["arguments"])
    return shlex.split(entry["command"])


def preprocess_command(entry):
    """The entry's compile command as clang's preprocessor to standard output."""
    args = arguments(entry)[1:]
    out = []
    skip = False
    for a in args:
        if skip:
            skip = False
            continue
        if a in ("-o", "-c"):
            skip = a == "-o"
            continue
        if a.startswith("-o") and len(a) > 2:
            continue
        out.append(a)
    return ["clang++", EXTRA_ARG, "-E", "-P"] + out + ["-o", "-"]


def key_of(entry, fixed):
    text = subprocess.run(preprocess_command(entry), cwd=entry["directory"], capture_output=True)
    if text.returncode != 0:
        return None  # let clang-tidy report what is wrong
    h = hashlib.sha256(fixed)
    # Paths relative to the tree, so that another checkout (CI's) finds what this one checked.
    h.update(" ".join(arguments(entry)).replace(os.getcwd(), "<tree>").encode())
    h.update(text.stdout)
    return h.hexdigest()


def tidy(build_dir, entry):
    cmd = ["clang-tidy", "-quiet", "-p", build_dir, f"-extra-arg={EXTRA_ARG}", entry["file"]]
    r = subprocess.run(cmd, capture_output=True, text=True)
    return r.returncode, r.stdout + r.stderr


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    build_dir = sys.argv[1]
    patterns = [re.compile(p) for p in sys.argv[2:]]
    with open(os.path.join(build_dir, "compile_commands.json"), encoding="utf-8") as f:
        entries = [e for e in json.load(f) if any(p.search(e["file"]) for p in patterns)]
    cache = os.environ.get("TAMARACK_TIDY_CACHE") or os.path.expanduser("~/.cache/tamarack/tidy")
    os.makedirs(cache, exist_ok=True)
    version = subprocess.run(["clang-tidy", "--version"], capture_output=True).stdout
    with open(".clang-tidy", "rb") as f:
        fixed = version + f.read()

    jobs = os.cpu_count() or 1
    failed = False
    checked = 0
    with concurrent.futures.ThreadPoolExecutor(jobs) as pool:
        keys = list(pool.map(lambda e: key_of(e, fixed), entries))
        todo = [(e, k) for e, k in zip(entries, keys)
                if k is None or not os.path.exists(os.path.join(cache, k))]
        for (entry, key), (status, output) in zip(
                todo, pool.map(lambda t: tidy(build_dir, t[0]), todo)):
            checked += 1
            # Every check's warning is an error in the profile, so a finding fails clang-tidy.
            if status != 0:
                failed = True
                print(output, end="" if output.endswith("\n") else "\n")
            elif key is not None:
                open(os.path.join(cache, key), "w", encoding="utf-8").close()
    print(f"clang-tidy: {checked} of {len(entries)} files checked, "
          f"{len(entries) - checked} unchanged since a clean check")
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()

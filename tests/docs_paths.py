#!/usr/bin/env python3
"""Every file the README and docs/ name exists in the source tree.

A name counts as a path when it is written in backticks or as a link target
and starts with one of the tree's own top-level folders (build output such as
build/bin/qv7310 is not in the tree and is left alone). Prints each missing
path with the page that names it and fails if there is one.
Usage: docs_paths.py SOURCE_DIR
"""
import glob
import os
import re
import sys

root = os.path.abspath(sys.argv[1])
folders = {name for name in os.listdir(root)
           if os.path.isdir(os.path.join(root, name)) and not name.startswith("build")}
pages = [os.path.join(root, "README.md")] + sorted(glob.glob(os.path.join(root, "docs", "*.md")))
missing = []
named = 0
for page in pages:
    with open(page, encoding="utf-8") as text:
        body = text.read()
    for link in re.findall(r"\]\(([^)#\s]+)(?:#[^)]*)?\)", body):
        if "://" in link:
            continue
        named += 1
        if not os.path.exists(os.path.join(os.path.dirname(page), link)):
            missing.append((page, link))
    for name in re.findall(r"`([^`\s<>*$|]+)`", body):
        if "/" not in name or name.split("/")[0] not in folders:
            continue
        named += 1
        if not os.path.exists(os.path.join(root, name)):
            missing.append((page, name))
for page, name in missing:
    print(f"{os.path.relpath(page, root)} names {name}, which does not exist")
print(f"{named} paths named in {len(pages)} pages, {len(missing)} missing")
sys.exit(1 if missing or named == 0 else 0)

#!/usr/bin/env python3
"""Checks the built manual from outside: it is a CHM that Debian's chmlib can open, its table of
contents lists every page of it (and the pages contents.txt names, in that order), and every link
and picture of every page resolves inside the file.

    python3 scripts/check_help.py MANUAL.chm SOURCE_FOLDER
"""
import os
import re
import subprocess
import sys
import tempfile


def main():
    chm, source = sys.argv[1], sys.argv[2]
    failures = []
    with open(chm, "rb") as f:
        if f.read(4) != b"ITSF":
            sys.exit("%s is not a compiled help file" % chm)
    with tempfile.TemporaryDirectory() as out:
        subprocess.run(["extract_chmLib", chm, out], check=True, stdout=subprocess.DEVNULL)
        files = set()
        for folder, _, names in os.walk(out):
            for name in names:
                files.add(os.path.relpath(os.path.join(folder, name), out).replace(os.sep, "/"))
        with open(os.path.join(out, "contents.hhc"), encoding="cp932") as f:
            listed = re.findall(r'<param name="Local" value="([^"]+)">', f.read())
        titles = []
        with open(os.path.join(source, "contents.txt"), encoding="utf-8") as f:
            for line in f:
                if line.strip() and not line.startswith("#"):
                    titles.append(line.split()[0])
        if listed != titles:
            failures.append("the table of contents lists %s, not %s" % (listed, titles))
        pages = sorted(f for f in files if f.endswith(".html"))
        for page in pages:
            if page not in listed:
                failures.append("%s is not in the table of contents" % page)
            with open(os.path.join(out, page), encoding="utf-8") as f:
                text = f.read()
            if not re.search(r"<title>[^<]+</title>", text):
                failures.append("%s has no title" % page)
            for target in re.findall(r'(?:href|src)="([^"]+)"', text):
                if re.match(r"[a-z]+:", target):
                    continue
                path = os.path.normpath(os.path.join(os.path.dirname(page), target.split("#")[0])).replace(os.sep, "/")
                if path not in files:
                    failures.append("%s refers to %s, which is not in the manual" % (page, target))
        for page in listed:
            if page not in files:
                failures.append("the table of contents lists %s, which is not in the manual" % page)
    for f in failures:
        print("FAIL " + f)
    if failures:
        sys.exit(1)
    print("the manual holds %d pages and %d files; every link resolves" % (len(pages), len(files)))


if __name__ == "__main__":
    main()

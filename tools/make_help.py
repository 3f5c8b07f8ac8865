#!/usr/bin/env python3
"""Builds the manual, ルポネ.chm, from the pages in docs/help.

    python3 tools/make_help.py SOURCE_FOLDER OUTPUT_CHM

The pages and their order come from contents.txt in the source folder (one "file.html title" a
line); every file the pages refer to is taken in. The project and the table of contents are written
in the Japanese code page (932), as the help viewer reads them; the pages themselves are UTF-8 and
say so. The compiler is chmcmd (Debian package fp-utils).
"""
import html
import os
import re
import shutil
import subprocess
import sys
import tempfile


def pages(source):
    with open(os.path.join(source, "contents.txt"), encoding="utf-8") as f:
        for line in f:
            line = line.strip()
            if line and not line.startswith("#"):
                name, title = line.split(" ", 1)
                yield name, title.strip()


def referred(source, page):
    """Every local file a page refers to (links, pictures, style sheets), relative to the source."""
    with open(os.path.join(source, page), encoding="utf-8") as f:
        text = f.read()
    for target in re.findall(r'(?:href|src)="([^"#:]+)(?:#[^"]*)?"', text):
        yield target


def main():
    source, output = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    listed = list(pages(source))
    files = []
    for name, _ in listed:
        for f in [name] + list(referred(source, name)):
            if f not in files:
                files.append(f)
    for f in files:
        if not os.path.isfile(os.path.join(source, f)):
            sys.exit("make_help: %s refers to %s, which is not there" % (source, f))
    with tempfile.TemporaryDirectory() as work:
        for f in files:
            os.makedirs(os.path.dirname(os.path.join(work, f)) or work, exist_ok=True)
            shutil.copyfile(os.path.join(source, f), os.path.join(work, f))
        toc = ['<!DOCTYPE HTML PUBLIC "-//IETF//DTD HTML//EN">', "<HTML><BODY>",
               '<OBJECT type="text/site properties"></OBJECT>', "<UL>"]
        for name, title in listed:
            toc += ['<LI><OBJECT type="text/sitemap">',
                    '<param name="Name" value="%s">' % html.escape(title),
                    '<param name="Local" value="%s">' % name, "</OBJECT>"]
        toc += ["</UL>", "</BODY></HTML>"]
        with open(os.path.join(work, "contents.hhc"), "w", encoding="cp932") as f:
            f.write("\n".join(toc) + "\n")
        project = ["[OPTIONS]", "Compatibility=1.1 or later", "Compiled file=rupone.chm",
                   "Contents file=contents.hhc", "Default topic=%s" % listed[0][0],
                   "Display compile progress=No", "Language=0x411 Japanese",
                   "Title=%s" % listed[0][1], "", "[FILES]"] + files
        with open(os.path.join(work, "rupone.hhp"), "w", encoding="cp932") as f:
            f.write("\r\n".join(project) + "\r\n")
        run = subprocess.run(["chmcmd", "--no-html-scan", "rupone.hhp"], cwd=work,
                             stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        built = os.path.join(work, "rupone.chm")
        if run.returncode != 0 or not os.path.isfile(built):
            sys.exit("make_help: chmcmd failed:\n" + run.stdout)
        os.makedirs(os.path.dirname(output), exist_ok=True)
        shutil.copyfile(built, output)


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Checks the README that the zip ships: README.html, which Windows opens by double-click, and
no README.md; the user's part whole, with nothing of the developer's part and no Markdown left
in its text; every link leading to a heading of its own; of the sentences on signing, those of
the kind of release it is (korvane.exe signed or not) and not the other's.

    readme_check.py ZIP
"""
import html.parser
import re
import struct
import sys
import zipfile

USER_HEADINGS = ["Quick start on Windows", "Sound to the speakers only", "When nothing is spoken",
                 "Hearing the warning once", "Checking a download", "Troubleshooting"]
DEVELOPER_TEXTS = ["Trying and testing from source", "For developers", "./test", "cmake --preset"]
SIGNING_TEXTS = {False: "are not signed", True: "are signed:"}


def is_signed(program):
    """Whether a program's bytes carry an Authenticode signature: its certificate table (the
    optional header's data directory entry 4) is not empty."""
    header = struct.unpack_from("<I", program, 0x3C)[0] + 24
    directories = header + (112 if struct.unpack_from("<H", program, header)[0] == 0x20B else 96)
    return struct.unpack_from("<II", program, directories + 4 * 8) != (0, 0)


class Page(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.ids, self.hrefs, self.headings, self.text = set(), [], [], []
        self._code = 0
        self._heading = None

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if "id" in attrs:
            self.ids.add(attrs["id"])
        if "href" in attrs:
            self.hrefs.append(attrs["href"])
        self._code += tag in ("code", "pre")
        if re.fullmatch(r"h[1-6]", tag):
            self._heading = ""

    def handle_endtag(self, tag):
        self._code -= tag in ("code", "pre")
        if re.fullmatch(r"h[1-6]", tag) and self._heading is not None:
            self.headings.append(self._heading)
            self._heading = None

    def handle_data(self, data):
        if self._heading is not None:
            self._heading += data
        if not self._code:
            self.text.append(data)


def problems(archive):
    names = [name.split("/", 1)[-1] for name in archive.namelist()]
    found = []
    if "README.md" in names:
        found.append("the zip ships README.md")
    if "README.html" not in names:
        return found + ["the zip ships no README.html"]
    page = Page()
    page.feed(next(archive.read(n) for n in archive.namelist() if n.endswith("/README.html")).decode("utf-8"))
    found += ["no heading %r" % h for h in USER_HEADINGS if h not in page.headings]
    everything = "".join(page.text)
    found += ["developer text %r" % t for t in DEVELOPER_TEXTS if t in everything]
    signed = is_signed(next(archive.read(n) for n in archive.namelist() if n.endswith("/korvane.exe")))
    found += ["the %s release says it %s" % (("unsigned", "signed")[signed], text)
              for kind, text in SIGNING_TEXTS.items() if (kind == signed) != (text in everything)]
    found += ["Markdown left: %r" % m for m in re.findall(r"\*\*|```|\]\(|\|---|^#+ ", everything, re.M)]
    found += ["a link to no heading: %s" % h for h in page.hrefs if not h.startswith("#") or h[1:] not in page.ids]
    return found


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: readme_check.py ZIP")
    with zipfile.ZipFile(sys.argv[1]) as archive:
        found = problems(archive)
    for problem in found:
        print("FAIL: %s" % problem)
    if found:
        sys.exit(1)
    print("the shipped README.html holds the user's part only, as HTML")


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Checks the README that the zip ships: README.html, which Windows opens by double-click, and
no README.md; the user's part whole, with nothing of the developer's part and no Markdown left
in its text; the version and a list of the sections at the top; every link leading to a
heading of its own and every picture beside it in the zip; code that is not broken across
lines; of the sentences on signing, those of the kind of release it is (korvane.exe signed or
not) and not the other's. And that what it quotes cannot drift from the program: every text in
double quotes is the program's own (a text in src/, a spoken text of the voice pack, a Start
Menu or product name of packaging/release.py) or on the short list below of texts that are
Windows', Wine's or SatPC32's; every file name in its code is in the zip, a package's name,
named by the program, or on the list of files that the user or Wine has.

    readme_check.py ZIP SOURCE_DIR
"""
import glob
import html.parser
import os
import re
import struct
import sys
import zipfile

USER_HEADINGS = ["Quick start on Windows", "Sound to the speakers only", "Hearing the warning once",
                 "What the status line says", "Troubleshooting", "Checking a download",
                 "Running on Linux beside SatPC32 under Wine"]
DEVELOPER_TEXTS = ["Trying and testing from source", "For developers", "./test", "cmake --preset"]
# Texts the README quotes that are not Korvane's: Windows' and Wine's, and spoken examples.
OTHERS_TEXTS = {
    "System type", "App volume and device preferences", "Volume mixer", "Set Default", "Windows protected your PC",
    "More info", "Run anyway", "The publisher could not be verified. Are you sure you want to run this software?",
    "Run", "Unblock", "Continue", "Run as administrator", "Run this program as an administrator", "(None)",
    "Bad EXE format", "A, O, seven", "Alfa, Oscar, seven",
}
# File names in the README's code that no package holds: one the user may add, and Wine's.
OTHERS_FILES = {"+.wav", "system.reg"}
FILE_NAME = re.compile(r"[\w+-][\w+.-]*\.(?:exe|wav|msi|zip|html|txt|sqf|png|reg)", re.I)
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
        self.pictures, self.code, self.contents, self.sections = [], [], [], []
        self._code = 0
        self._heading = None
        self._nav = False
        self._style = False

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if "id" in attrs:
            self.ids.add(attrs["id"])
        if "href" in attrs:
            self.hrefs.append(attrs["href"])
            if self._nav:
                self.contents.append(attrs["href"])
        if tag == "img":
            self.pictures.append(attrs.get("src", ""))
        if tag == "h2" and "id" in attrs:
            self.sections.append("#" + attrs["id"])
        self._nav |= tag == "nav"
        self._style |= tag == "style"
        self._code += tag in ("code", "pre")
        if re.fullmatch(r"h[1-6]", tag):
            self._heading = ""

    def handle_endtag(self, tag):
        self._nav &= tag != "nav"
        self._style &= tag != "style"
        self._code -= tag in ("code", "pre")
        if re.fullmatch(r"h[1-6]", tag) and self._heading is not None:
            self.headings.append(self._heading)
            self._heading = None

    def handle_data(self, data):
        if self._heading is not None:
            self._heading += data
        if self._style:
            return
        if not self._code:
            self.text.append(data)
        else:
            self.code.append(data)


def string_literals(text):
    """The C++ string literals of a source file, adjacent ones joined; "A" + x + "B" gives a
    pattern in which x may be any text."""
    found = []
    literals = list(re.finditer(r'"((?:[^"\\\n]|\\.)*)"', text))
    i = 0
    while i < len(literals):
        value = [re.escape(literals[i].group(1).replace('\\"', '"').replace("\\\\", "\\"))]
        while i + 1 < len(literals):
            between = text[literals[i].end():literals[i + 1].start()]
            if re.fullmatch(r"\s*", between):
                pass
            elif re.fullmatch(r"\s*\+\s*[\w.()]+\s*\+\s*", between):
                value.append(".+")
            else:
                break
            i += 1
            value.append(re.escape(literals[i].group(1).replace('\\"', '"').replace("\\\\", "\\")))
        found.append("".join(value))
        i += 1
    return found


def own_texts(source_dir):
    """Patterns of every text that is Korvane's own: the program's, the voice pack's spoken
    words, and the installer's product and Start Menu names."""
    patterns = []
    for path in sorted(glob.glob(os.path.join(source_dir, "src", "**", "*"), recursive=True)):
        if re.search(r"\.(h|cpp|rc|in)$", path):
            with open(path, encoding="utf-8", errors="replace") as source:
                patterns += string_literals(source.read())
    with open(os.path.join(source_dir, "voice", "generate_voice_pack.cmake"), encoding="utf-8") as voice:
        patterns += [re.escape(t) for t in re.findall(r'^speak\(\S+ "([^"]*)"\)', voice.read(), re.M)]
    sys.path.insert(0, os.path.join(source_dir, "packaging"))
    import release  # noqa: E402
    for names in (release.PRODUCT_NAMES, release.SHORTCUT_NAMES, release.README_SHORTCUT_NAMES):
        patterns += [re.escape(name.split("|")[-1]) for name in names.values()]
    return patterns


def quote_problems(page, patterns, package_names, zip_files):
    """Each quoted text and each file name in code that is no one's known text."""
    found = []
    own = [re.compile(p) for p in patterns]
    for quoted in re.findall(r'"([^"]*)"', "".join(page.text)):
        if quoted not in OTHERS_TEXTS and not any(p.fullmatch(quoted) for p in own):
            found.append("a quoted text that is not the program's own nor listed as another's: %r" % quoted)
    named = set()
    for pattern in patterns:
        named.update(FILE_NAME.findall(pattern.replace("\\", "")))
    for token in re.split(r'[\s\\/"|()]+', " ".join(page.code)):
        if FILE_NAME.fullmatch(token) and token not in zip_files | package_names | named | OTHERS_FILES:
            found.append("a file name that no package holds and the program does not name: %r" % token)
    return found


def problems(archive, zip_name, source_dir):
    names = [name.split("/", 1)[-1] for name in archive.namelist()]
    found = []
    if "README.md" in names:
        found.append("the zip ships README.md")
    if "README.html" not in names:
        return found + ["the zip ships no README.html"]
    page = Page()
    source = next(archive.read(n) for n in archive.namelist() if n.endswith("/README.html")).decode("utf-8")
    page.feed(source)
    found += ["no heading %r" % h for h in USER_HEADINGS if h not in page.headings]
    version = re.match(r"korvane-(.+)-win(?:32|64)\.zip$", zip_name).group(1)
    if not re.search(r"Version %s, built \d{4}-\d\d-\d\d" % re.escape(version), "".join(page.text)):
        found.append("no version %s and build date" % version)
    found += ["no section %s in the contents" % s for s in page.sections if s not in page.contents]
    found += ["a picture not beside README.html: %r" % p for p in page.pictures if p not in names]
    if not re.search(r"code \{[^}]*white-space: nowrap", source):
        found.append("code may break across lines")
    package_names = {zip_name.replace("win64", w).replace("win32", w)[:-3] + e
                     for w in ("win32", "win64") for e in ("zip", "msi")}
    found += quote_problems(page, own_texts(source_dir), package_names, {n.split("/")[-1] for n in names})
    everything = "".join(page.text)
    found += ["developer text %r" % t for t in DEVELOPER_TEXTS if t in everything]
    signed = is_signed(next(archive.read(n) for n in archive.namelist() if n.endswith("/korvane.exe")))
    found += ["the %s release says it %s" % (("unsigned", "signed")[signed], text)
              for kind, text in SIGNING_TEXTS.items() if (kind == signed) != (text in everything)]
    found += ["Markdown left: %r" % m for m in re.findall(r"\*\*|```|\]\(|\|---|^#+ ", everything, re.M)]
    found += ["a link to no heading: %s" % h for h in page.hrefs if not h.startswith("#") or h[1:] not in page.ids]
    return found


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: readme_check.py ZIP SOURCE_DIR")
    with zipfile.ZipFile(sys.argv[1]) as archive:
        found = problems(archive, os.path.basename(sys.argv[1]), sys.argv[2])
    for problem in found:
        print("FAIL: %s" % problem)
    if found:
        sys.exit(1)
    print("the shipped README.html holds the user's part only, as HTML, and quotes only texts and files it can")


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Writes README.html, the README that the zip and the MSI ship, from the user's part of
README.md: the lines between "<!-- shipped: begin -->" and "<!-- shipped: end -->" (as many
such parts as README.md marks, in order). Windows opens an HTML file by double-click; it does
not open Markdown. What holds only for an unsigned release lies between
"<!-- unsigned release: begin -->" and "<!-- unsigned release: end -->", what holds only for
a signed one between the same marks with "signed release": the README of each kind of release
keeps its own and drops the other's.

    readme_html.py --version 1.0.0 [--signed] README.md README.html

Under the title the page names the version and the build date (the date of the last commit,
or of SOURCE_DATE_EPOCH), and before the first section a list of the sections.

Only the Markdown that the user's part uses is understood: headings, paragraphs, lists of "-"
or "1." items (continued by indented lines), fenced code, tables, a picture on a line of its
own, and in running text `code`, **bold**, *emphasis* and [links](#heading). A picture is
shown from the folder of README.html, by its file name alone: the release ships it there. A
link to a heading outside the shipped part, a picture that is missing or not on a line of its
own, or a part left open stops the build, so the shipped file never points nowhere. The same
README.md and date give the same bytes; code is never broken across lines, at a hyphen or
anywhere, so that a command or file name reads as one.
"""
import argparse
import datetime
import html
import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from source_date import source_epoch  # noqa: E402

BEGIN = "<!-- shipped: begin -->"
END = "<!-- shipped: end -->"

STYLE = """body { font-family: Segoe UI, Tahoma, Arial, sans-serif; max-width: 52em; margin: 1em auto;
       padding: 0 1em; line-height: 1.45; color: #222; }
code, pre { font-family: Consolas, "Courier New", monospace; background: #f2f2f2; }
code { white-space: nowrap; }
img { max-width: 100%; }
pre { padding: 0.5em 0.8em; overflow-x: auto; }
table { border-collapse: collapse; }
th, td { border: 1px solid #bbb; padding: 0.3em 0.5em; vertical-align: top; text-align: left; }
h2 { border-bottom: 1px solid #ccc; }"""


class ReadmeError(Exception):
    pass


def shipped_lines(text):
    lines, inside = [], False
    for number, line in enumerate(text.splitlines(), 1):
        if line.strip() == BEGIN:
            if inside:
                raise ReadmeError("line %d: a shipped part begins inside another" % number)
            inside = True
        elif line.strip() == END:
            if not inside:
                raise ReadmeError("line %d: a shipped part ends that never began" % number)
            inside = False
            lines.append("")
        elif inside:
            lines.append(line)
    if inside:
        raise ReadmeError("the last shipped part never ends")
    if not lines:
        raise ReadmeError("README.md marks no shipped part")
    return lines


def release_lines(lines, signed):
    """lines without the parts marked for the other kind of release (signed or not)."""
    kept, inside = [], None
    for line in lines:
        mark = re.fullmatch(r"<!-- (unsigned|signed) release: (begin|end) -->", line.strip())
        if not mark:
            if inside is None or (inside == "signed") == signed:
                kept.append(line)
        elif (mark.group(2) == "begin") != (inside is None) or (inside and inside != mark.group(1)):
            raise ReadmeError("the %s release part is marked wrongly: %s" % (mark.group(1), line))
        else:
            inside = mark.group(1) if mark.group(2) == "begin" else None
    if inside:
        raise ReadmeError("the %s release part never ends" % inside)
    return kept


def slug(heading):
    """The anchor GitHub gives a heading: lower case, punctuation dropped, spaces as dashes."""
    text = re.sub(r"[`*]", "", heading).lower()
    return re.sub(r"[^a-z0-9 _-]", "", text).replace(" ", "-")


def inline(text, links):
    """Running text as HTML; each link target is added to links."""
    if re.search(r"!\[", text):
        raise ReadmeError("a picture inside running text: %s" % text)
    # Code spans are set aside first, so that nothing inside them is read as Markdown.
    spans = []

    def aside(match):
        spans.append("<code>%s</code>" % html.escape(match.group(1), quote=False))
        return "\0%d\0" % (len(spans) - 1)

    text = html.escape(re.sub(r"`([^`]*)`", aside, text), quote=False)
    text = re.sub(r"\*\*(.+?)\*\*", r"<strong>\1</strong>", text)
    text = re.sub(r"(?<![\w*])\*(?!\s)(.+?)(?<!\s)\*(?![\w*])", r"<em>\1</em>", text)

    def link(match):
        links.append(match.group(2))
        return '<a href="%s">%s</a>' % (match.group(2), match.group(1))

    text = re.sub(r"\[([^\]]+)\]\(([^)\s]+)\)", link, text)
    return re.sub(r"\0(\d+)\0", lambda match: spans[int(match.group(1))], text)


def table_cells(line):
    return [cell.strip() for cell in line.strip().strip("|").split("|")]


def picture(match, folder):
    """A picture, shown from the folder of README.html by its file name alone."""
    alt, path = match.group(1), match.group(2)
    if not os.path.isfile(os.path.join(folder, path)):
        raise ReadmeError("a picture that is not there: %s" % path)
    return '<p><img src="%s" alt="%s"></p>' % (html.escape(os.path.basename(path)), html.escape(alt))


def convert(lines, folder):
    """The body's HTML, the headings' anchors and the link targets."""
    out, anchors, links = [], set(), []
    i = 0
    while i < len(lines):
        line = lines[i]
        heading = re.match(r"(#{1,4}) (.*)", line)
        item = re.match(r"(\d+\.|-) ", line)
        image = re.fullmatch(r"!\[([^\]]*)\]\(([^)\s]+)\)", line.strip())
        if not line.strip():
            i += 1
        elif image:
            out.append(picture(image, folder))
            i += 1
        elif heading:
            level, title = len(heading.group(1)), heading.group(2).strip()
            anchors.add(slug(title))
            out.append('<h%d id="%s">%s</h%d>' % (level, slug(title), inline(title, links), level))
            i += 1
        elif line.startswith("```"):
            end = next((j for j in range(i + 1, len(lines)) if lines[j].startswith("```")), None)
            if end is None:
                raise ReadmeError("a code block never ends: %s" % line)
            out.append("<pre>%s</pre>" % html.escape("\n".join(lines[i + 1:end]), quote=False))
            i = end + 1
        elif line.startswith("|"):
            rows = []
            while i < len(lines) and lines[i].startswith("|"):
                rows.append(table_cells(lines[i]))
                i += 1
            if len(rows) < 2 or not all(re.fullmatch(r":?-+:?", cell) for cell in rows[1]):
                raise ReadmeError("a table without its header line: %s" % line)
            out.append("<table>")
            out.append("<tr>%s</tr>" % "".join("<th>%s</th>" % inline(c, links) for c in rows[0]))
            for row in rows[2:]:
                out.append("<tr>%s</tr>" % "".join("<td>%s</td>" % inline(c, links) for c in row))
            out.append("</table>")
        elif item:
            tag = "ol" if item.group(1)[0].isdigit() else "ul"
            out.append("<%s>" % tag)
            while i < len(lines) and re.match(r"(\d+\.|-) ", lines[i]):
                marker = re.match(r"(\d+\.|-) ", lines[i])
                words = [lines[i][marker.end():].strip()]
                i += 1
                while i < len(lines) and lines[i].startswith(" ") and lines[i].strip():
                    words.append(lines[i].strip())
                    i += 1
                out.append("<li>%s</li>" % inline(" ".join(words), links))
            out.append("</%s>" % tag)
        else:
            words = []
            while i < len(lines) and lines[i].strip() and not re.match(r"(#{1,4} |```|\||\d+\. |- )", lines[i]):
                words.append(lines[i].strip())
                i += 1
            if not words:
                raise ReadmeError("a line of no kind known here: %s" % line)
            out.append("<p>%s</p>" % inline(" ".join(words), links))
    return out, anchors, links


def with_release_and_contents(body, version, date):
    """The body with the version and build date under the title, and before the first section
    a list of the sections."""
    sections = [re.match(r'<h2 id="([^"]*)">(.*)</h2>$', line) for line in body]
    contents = ['<li><a href="#%s">%s</a></li>' % (s.group(1), s.group(2)) for s in sections if s]
    first = next((n for n, s in enumerate(sections) if s), len(body))
    title = next((n + 1 for n, line in enumerate(body) if line.startswith("<h1")), 0)
    if title > first:
        raise ReadmeError("the title comes after the first section")
    release = ['<p class="release">Version %s, built %s</p>' % (html.escape(version), date)]
    listing = ['<nav><p>Contents:</p>', "<ul>"] + contents + ["</ul>", "</nav>"] if contents else []
    return body[:title] + release + body[title:first] + listing + body[first:]


def readme_html(text, folder=".", version="", date="", signed=False):
    body, anchors, links = convert(release_lines(shipped_lines(text), signed), folder)
    for target in links:
        if not target.startswith("#") or target[1:] not in anchors:
            raise ReadmeError("a link that leads out of the shipped README: %s" % target)
    body = with_release_and_contents(body, version, date)
    page = ['<!DOCTYPE html>', '<html lang="en">', "<head>", '<meta charset="utf-8">', "<title>Korvane</title>",
            "<style>", STYLE, "</style>", "</head>", "<body>"] + body + ["</body>", "</html>", ""]
    return "\n".join(page)


def main():
    parser = argparse.ArgumentParser(description="Writes the shipped README.html from README.md.")
    parser.add_argument("--version", required=True)
    parser.add_argument("--signed", action="store_true", help="the README of a signed release")
    parser.add_argument("readme")
    parser.add_argument("html")
    args = parser.parse_args()
    folder = os.path.dirname(os.path.abspath(args.readme))
    date = datetime.datetime.fromtimestamp(source_epoch(folder), datetime.timezone.utc).strftime("%Y-%m-%d")
    with open(args.readme, encoding="utf-8") as source:
        text = source.read()
    try:
        page = readme_html(text, folder, args.version, date, args.signed)
    except ReadmeError as error:
        sys.exit("readme_html: %s: %s" % (args.readme, error))
    with open(args.html + ".tmp", "w", encoding="utf-8", newline="\r\n") as out:
        out.write(page)
    os.replace(args.html + ".tmp", args.html)


if __name__ == "__main__":
    main()

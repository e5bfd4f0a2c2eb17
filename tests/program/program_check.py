#!/usr/bin/env python3
"""Checks korvane.exe as Windows reads it: the manifest declares the program aware of each
monitor's resolution in the namespaces Windows reads those settings from (a setting in any other
namespace is ignored without a word), and the program imports only functions that Windows 7 has.
Newer functions are looked up at run time instead."""
import argparse
import re
import subprocess
import sys
import xml.etree.ElementTree as ElementTree

ASM_V3 = "urn:schemas-microsoft-com:asm.v3"
WANTED_SETTINGS = {
    "{http://schemas.microsoft.com/SMI/2005/WindowsSettings}dpiAware": "true",
    "{http://schemas.microsoft.com/SMI/2016/WindowsSettings}dpiAwareness": "PerMonitorV2, PerMonitor",
}


def manifest_problems(text):
    try:
        root = ElementTree.fromstring(text)
    except ElementTree.ParseError as error:
        return ["the manifest is not well-formed XML: %s" % error]
    settings = root.findall("{%s}application/{%s}windowsSettings" % (ASM_V3, ASM_V3))
    if len(settings) != 1:
        return ["the manifest has %d windowsSettings in the asm.v3 namespace, not one" % len(settings)]
    problems = []
    for child in settings[0]:
        name = child.tag.rsplit("}", 1)[-1]
        if name in ("dpiAware", "dpiAwareness") and child.tag not in WANTED_SETTINGS:
            problems.append("%s is in a namespace Windows ignores: %s" % (name, child.tag))
    for tag, value in WANTED_SETTINGS.items():
        element = settings[0].find(tag)
        found = None if element is None else (element.text or "").strip()
        if found != value:
            problems.append("%s is %r, not %r" % (tag, found, value))
    return problems


def imports(objdump, program):
    listing = subprocess.run([objdump, "-p", program], check=True, capture_output=True, text=True).stdout
    found = set()
    library = None
    for line in listing.splitlines():
        named = re.match(r"\s*DLL Name: (\S+)", line)
        if named:
            library = named.group(1).lower()
        elif not line.strip():
            library = None
        elif library and re.match(r"\s*[0-9a-f]+\s+\d+\s+\S+$", line):
            found.add("%s %s" % (library, line.split()[-1]))
    return found


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--manifest", required=True)
    parser.add_argument("--program", required=True)
    parser.add_argument("--objdump", required=True)
    parser.add_argument("--windows7-imports", required=True, help="the imports known to be in Windows 7")
    args = parser.parse_args()

    with open(args.manifest, encoding="utf-8") as manifest:
        text = manifest.read()
    problems = manifest_problems(text)
    # The check itself must see a setting put in a namespace that Windows ignores.
    misplaced = text.replace("SMI/2005/WindowsSettings", "SMI/2016/WindowsSettings")
    if not manifest_problems(misplaced):
        problems.append("the manifest check does not see dpiAware in the wrong namespace")

    with open(args.windows7_imports, encoding="utf-8") as known:
        windows7 = {line.strip() for line in known if line.strip() and not line.startswith("#")}
    used = imports(args.objdump, args.program)
    for entry in sorted(used - windows7):
        problems.append("imports %s, not known to be in Windows 7: look it up at run time, or check that Windows 7 "
                        "has it and add it to %s" % (entry, args.windows7_imports))
    print("%s: %d imports, all in Windows 7 unless said below" % (args.program, len(used)))
    for problem in problems:
        print("problem: " + problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())

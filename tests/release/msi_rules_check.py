#!/usr/bin/env python3
"""Reads the tables of the build's MSI and of the other architecture's (made here by
release.py from the same programs) and fails where they break a rule that Windows Installer's
validation (ICE) checks and that a table edit could bring back:

- ICE60: a versioned file that is no font and no companion must have a language, and no
  versioned file a hash;
- ICE03, the Filename type: every name (files, copies, folders, shortcuts) is a valid short
  name or "short|long" with a valid short name;
- ICE68: no custom action has the NoImpersonate bit without the InScript bit;
- ICE57: no component mixes per-user and per-machine data, and none of a per-machine package
  has a per-user (HKCU) key path.

ICE43 wants a non-advertised shortcut's component keyed by an HKCU value: it is left aside, as
the package installs per machine (ALLUSERS=1, checked here) into all users' Start Menu, and an
HKCU key path there would break ICE57.

    msi_rules_check.py MSI WORK_DIR RELEASE.PY RELEASE_ARGS...
"""
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "packaging"))
from msi_tables import is_short_name  # noqa: E402

HKCU, HKLM, HKCU_OR_HKLM = 1, 2, -1
NO_IMPERSONATE, IN_SCRIPT = 0x800, 0x400
REGISTRY_KEY_PATH = 0x4
PER_USER_FOLDERS = {"AppDataFolder", "LocalAppDataFolder", "PersonalFolder", "FavoritesFolder", "NetHoodFolder",
                    "PrintHoodFolder", "RecentFolder", "SendToFolder", "TemplateFolder", "MyPicturesFolder"}


def tables(msi, names):
    """{table: [row as {column: text}]}; a table the MSI lacks is empty."""
    present = subprocess.run(["msiinfo", "tables", msi], check=True, capture_output=True, text=True).stdout.split()
    result = {}
    for name in names:
        result[name] = []
        if name not in present:
            continue
        lines = subprocess.run(["msiinfo", "export", msi, name], check=True, capture_output=True,
                               text=True).stdout.splitlines()
        columns = lines[0].split("\t")
        result[name] = [dict(zip(columns, line.split("\t"))) for line in lines[3:]]
    return result


def ice60(t):
    fonts = {row["File_"] for row in t["Font"]}
    keys = {row["File"] for row in t["File"]}
    hashed = {row["File_"] for row in t["MsiFileHash"]}
    versioned = [row for row in t["File"] if row["Version"] and row["Version"] not in keys]
    return (["ICE60: %s has version %s but no language" % (row["File"], row["Version"])
             for row in versioned if not row["Language"] and row["File"] not in fonts]
            + ["ICE60: %s is versioned and hashed" % row["File"] for row in versioned if row["File"] in hashed])


def ice03(t):
    def bad(name):
        short, _, long = name.partition("|")
        return not is_short_name(short) or any(c in long for c in '/\\?|<>:*"')

    names = [("File", row["File"], row["FileName"]) for row in t["File"]]
    names += [("DuplicateFile", row["FileKey"], row["DestName"]) for row in t["DuplicateFile"] if row["DestName"]]
    names += [("Shortcut", row["Shortcut"], row["Name"]) for row in t["Shortcut"]]
    # A folder's target and source names; "." is the parent itself, and a root's is no file name.
    names += [("Directory", row["Directory"], part) for row in t["Directory"] if row["Directory_Parent"]
              for part in row["DefaultDir"].split(":") if part != "."]
    return ["ICE03: %s %s is named %r: no valid short name" % entry for entry in names if bad(entry[2])]


def ice68(t):
    return ["ICE68: custom action %s (type %s) has NoImpersonate without InScript" % (row["Action"], row["Type"])
            for row in t["CustomAction"] if int(row["Type"]) & NO_IMPERSONATE and not int(row["Type"]) & IN_SCRIPT]


def ice57(t):
    parents = {row["Directory"]: row["Directory_Parent"] for row in t["Directory"]}

    def per_user(directory):
        while directory:
            if directory in PER_USER_FOLDERS:
                return True
            directory = parents.get(directory)
        return False

    per_machine_package = any(row["Property"] == "ALLUSERS" and row["Value"] == "1" for row in t["Property"])
    scopes = {}  # component: the scopes of its data, "user" or "machine"
    for row in t["Registry"]:
        if int(row["Root"]) in (HKCU, HKLM):
            scopes.setdefault(row["Component_"], set()).add("user" if int(row["Root"]) == HKCU else "machine")
    component_folder = {row["Component"]: row["Directory_"] for row in t["Component"]}
    for row in t["File"]:
        scopes.setdefault(row["Component_"], set()).add("user" if per_user(component_folder[row["Component_"]])
                                                        else "machine")
    for row in t["Shortcut"]:
        scopes.setdefault(row["Component_"], set()).add("user" if per_user(row["Directory_"]) else "machine")
    registry_root = {row["Registry"]: int(row["Root"]) for row in t["Registry"]}
    found = ["ICE57: component %s mixes per-user and per-machine data" % c for c, s in sorted(scopes.items())
             if len(s) > 1]
    found += ["ICE57: component %s of a per-machine package has an HKCU key path" % row["Component"]
              for row in t["Component"] if per_machine_package and int(row["Attributes"]) & REGISTRY_KEY_PATH
              and registry_root.get(row["KeyPath"]) in (HKCU, HKCU_OR_HKLM)]
    if not per_machine_package:
        found.append("ICE43: the package is not per machine (ALLUSERS=1), so its shortcuts need HKCU key paths")
    return found


CHECKS = (ice60, ice03, ice68, ice57)
TABLES = ("File", "Font", "MsiFileHash", "DuplicateFile", "Shortcut", "Directory", "CustomAction", "Registry",
          "Component", "Property")


def main():
    if len(sys.argv) < 4:
        sys.exit("usage: msi_rules_check.py MSI WORK_DIR RELEASE.PY RELEASE_ARGS...")
    msi, work, release_py, release_args = sys.argv[1], os.path.abspath(sys.argv[2]), sys.argv[3], sys.argv[4:]
    shutil.rmtree(work, ignore_errors=True)
    template = subprocess.run(["msiinfo", "suminfo", msi], check=True, capture_output=True, text=True).stdout
    other_arch = "x86" if "Template: x64" in template else "x64"
    subprocess.run([sys.executable, release_py] + release_args + ["--arch", other_arch, "--name", "other", "--out",
                                                                  work, "--work", os.path.join(work, "work")],
                   check=True, stdout=subprocess.DEVNULL)
    found = []
    for package in (msi, os.path.join(work, "other.msi")):
        t = tables(package, TABLES)
        found += ["%s: %s" % (os.path.basename(package), problem) for check in CHECKS for problem in check(t)]
    for problem in found:
        print("FAIL: %s" % problem)
    if found:
        sys.exit(1)
    print("both MSIs (%s and %s): no finding of ICE60, ICE03, ICE68, ICE57" % (os.path.basename(msi), other_arch))
    shutil.rmtree(work)


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Writes the release of one architecture into one folder: the zip, the MSI (when wixl is
given) and SHA256SUMS naming them. The same input gives the same bytes: every file time is
the time of the last commit (SOURCE_DATE_EPOCH, when set, instead), files go in by name, and
what wixl takes from the clock or from chance is pinned (msi_summary.py).

Given a certificate and key, the programs are signed before they go into the zip and the
MSI, the MSI after its summary is pinned, and each signature is published beside the
packages as NAME.FILE.p7s; given instead --signatures (a folder of such published
signatures), they are attached to the unsigned files, which rebuilds a signed release to
the byte (signing.py).

    release.py --name korvane-1.0.0-win64 --version 1.0.0 --arch x64 --out DIR --work DIR
               --program korvane.exe --docs README.html LICENSE --voice A.wav ...
               [--folder phonetic A.wav ...]... [--tools satpc32-standin.exe pass-demo.txt]
               [--wixl wixl --msibuild msibuild --wxs korvane.wxs --icon korvane.ico]
               [--osslsigncode osslsigncode (--sign-cert C.pem --sign-key K.pem --sign-url URL
                (--sign-timestamp-url URL | --sign-without-timestamp) | --signatures DIR)]
               [--source-dir DIR]

The zip holds one folder, NAME, with everything (each --folder's files in a folder of that
name); the MSI installs the same into Program Files\\Korvane, and beside the program the
voice pack (a --folder) that its property VOICE names.
"""
import argparse
import hashlib
import os
import re
import shutil
import subprocess
import sys
import time
import uuid
import zipfile
from xml.sax.saxutils import quoteattr

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import msi_summary  # noqa: E402
import msi_tables  # noqa: E402
import signing  # noqa: E402
from source_date import ZIP_EPOCH_MIN, source_epoch  # noqa: E402

# Each architecture is a product of its own: installed side by side, listed and uninstalled
# each on its own. The 64-bit one keeps the code Korvane always had.
UPGRADE_CODES = {"x64": "8F3B6C2E-4D71-4A5E-9C0B-2E6F1A7D5B93", "x86": "C256FE03-2FFB-4A57-8D89-748C6A506CAD"}
PRODUCT_NAMES = {"x64": "Korvane", "x86": "Korvane (32-bit)"}
# The Start Menu shortcut's file name: short|long where the long one is no valid 8.3 name.
SHORTCUT_NAMES = {"x64": "Korvane", "x86": "korvan32|Korvane (32-bit)"}
README_SHORTCUT_NAMES = {"x64": "README|Korvane README", "x86": "readme32|Korvane (32-bit) README"}


def parse_args():
    parser = argparse.ArgumentParser()
    for name in ("--name", "--version", "--out", "--work", "--program"):
        parser.add_argument(name, required=True)
    parser.add_argument("--arch", required=True, choices=("x64", "x86"))
    parser.add_argument("--docs", nargs="+", required=True)
    parser.add_argument("--voice", nargs="*", default=[])
    parser.add_argument("--folder", nargs="+", action="append", default=[], metavar=("NAME", "FILE"))
    parser.add_argument("--tools", nargs="*", default=[])
    for name in ("--wixl", "--msibuild", "--osslsigncode", "--sign-cert", "--sign-key", "--sign-timestamp-url",
                 "--sign-url", "--signatures"):
        parser.add_argument(name, default="")
    parser.add_argument("--sign-without-timestamp", action="store_true")
    parser.add_argument("--wxs", default="")
    parser.add_argument("--icon", default="")
    parser.add_argument("--source-dir", default=".")
    return parser.parse_args()


def stage(args, stage_dir, epoch):
    """Copies every file into stage_dir (each --folder's files into that folder), each
    dated epoch. Returns the staged files' paths relative to stage_dir."""
    shutil.rmtree(stage_dir, ignore_errors=True)
    os.makedirs(stage_dir)
    installed = []

    def put(source, relative):
        target = os.path.join(stage_dir, relative)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copyfile(source, target)
        os.utime(target, (epoch, epoch))
        installed.append(relative.replace(os.sep, "/"))

    for source in [args.program] + args.docs + args.voice + args.tools:
        put(source, os.path.basename(source))
    for name, *sources in args.folder:
        for source in sources:
            put(source, os.path.join(name, os.path.basename(source)))
    return sorted(installed)


def write_zip(path, stage_dir, top, files, epoch):
    stamp = time.gmtime(max(epoch, ZIP_EPOCH_MIN))[:6]
    with zipfile.ZipFile(path, "w") as archive:
        for relative in sorted(files):
            info = zipfile.ZipInfo(top + "/" + relative, date_time=stamp)
            info.create_system = 0      # MS-DOS attributes: a plain archived file
            info.external_attr = 0x20
            info.compress_type = zipfile.ZIP_DEFLATED
            with open(os.path.join(stage_dir, relative), "rb") as source:
                archive.writestr(info, source.read(), compresslevel=9)


def component_id(relative):
    """A stable identifier for the file, valid for Windows Installer (at most 72 characters)."""
    digest = hashlib.sha256(relative.encode("utf-8")).hexdigest()[:12]
    return "f%s_%s" % (digest, re.sub(r"[^A-Za-z0-9_.]", "_", relative)[:48])


def files_fragment(files, packs, win64, upgrade_code):
    """The component group OtherFiles: each of files in its folder under INSTALLDIR (files in
    folders of folders too), and beside the program copies of the files of the pack (a folder
    of packs, {name: its files}) that the property VOICE names: a component for each pack,
    installed on that condition, whose copies the MSI holds once (DuplicateFile). Returns
    the fragment, {pack: its component beside the program} and the copies (key, component,
    file, name)."""
    tree = {}
    for relative in files:
        *folders, _ = relative.split("/")
        tree.setdefault(tuple(folders), []).append(relative)
    lines = ['<?xml version="1.0" encoding="utf-8"?>',
             '<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">', "  <Fragment>",
             '    <DirectoryRef Id="INSTALLDIR">']
    ids = []
    beside = {}  # wixl writes neither component conditions nor copies: msi_tables does
    copies = []

    def emit(folder, depth):
        indent = "      " + "  " * depth
        for relative in tree.get(folder, []):
            ids.append(component_id(relative))
            lines.append('%s<Component Id="%s" Guid="*" Win64="%s">' % (indent, ids[-1], win64))
            lines.append('%s  <File Id="%s" Name=%s Source=%s KeyPath="yes"/>'
                         % (indent, ids[-1], quoteattr(relative.split("/")[-1]),
                            quoteattr("$(var.SourceDir)/" + relative)))
            lines.append("%s</Component>" % indent)
        children = sorted(f for f in tree if len(f) == len(folder) + 1 and f[:len(folder)] == folder)
        for child in children:
            lines.append('%s<Directory Id="d%s" Name=%s>'
                         % (indent, component_id("/".join(child))[1:], quoteattr(child[-1])))
            emit(child, depth + 1)
            lines.append("%s</Directory>" % indent)

    # Every folder on the way to a file needs a node, even one that holds only folders.
    for folder in list(tree):
        for n in range(len(folder)):
            tree.setdefault(folder[:n], [])
    emit((), 0)
    for pack in sorted(packs):
        ids.append("VoiceBeside_" + re.sub(r"[^A-Za-z0-9_.]", "_", pack))
        # The pack's component records the choice itself: whatever a later run installs,
        # repairs or leaves, the registry names the pack whose files it put there. Its key
        # path is that value, no longer the folder, so it has a GUID of its own.
        guid = str(uuid.uuid5(upgrade_code, "voice pack recorded beside the program " + pack)).upper()
        lines.append('      <Component Id="%s" Guid="%s" Win64="%s">' % (ids[-1], guid, win64))
        lines.append('        <RegistryValue Root="HKLM" Key="Software\\Quillom\\Korvane" Name="Voice" Type="string" '
                     'Value=%s KeyPath="yes"/>' % quoteattr(pack))
        lines.append("      </Component>")
        beside[pack] = ids[-1]
        for relative in packs[pack]:
            copies.append((component_id("beside the program/" + relative), ids[-1], component_id(relative),
                           relative.split("/")[-1]))
    lines += ["    </DirectoryRef>", "  </Fragment>", "  <Fragment>", '    <ComponentGroup Id="OtherFiles">']
    lines += ['      <ComponentRef Id="%s"/>' % i for i in ids]
    lines += ["    </ComponentGroup>", "  </Fragment>", "</Wix>", ""]
    return "\n".join(lines), beside, copies


def names_a_pack(prop, packs):
    """The condition that the property prop names one of packs (true for any value where
    there are none)."""
    return " OR ".join('%s = "%s"' % (prop, pack) for pack in sorted(packs)) or "1"


def write_msi(args, path, stage_dir, installed, epoch, signer):
    upgrade_code = uuid.UUID(UPGRADE_CODES[args.arch])
    win64 = "yes" if args.arch == "x64" else "no"
    with open(args.wxs, encoding="utf-8") as wxs:
        named = set(re.findall(r'Source="\$\(var\.SourceDir\)/([^"]+)"', wxs.read()))
    packs = {name: [f for f in installed if f.startswith(name + "/")] for name, *_ in args.folder}
    # With packs to choose from, the files beside the program are the chosen pack's.
    voice = set(os.path.basename(f) for f in args.voice) if packs else set()
    # Every file that the wxs does not name itself goes into the fragment.
    tree = [f for f in installed if f not in named and f not in voice]
    fragment, beside, copies = files_fragment(tree, packs, win64, upgrade_code)
    fragment_path = os.path.join(os.path.abspath(args.work), "other-files.wxs")
    with open(fragment_path, "w", encoding="utf-8") as out:
        out.write(fragment)
    icon = os.path.join(os.path.abspath(args.work), "korvane.ico")
    shutil.copyfile(args.icon, icon)
    os.utime(icon, (epoch, epoch))

    # A new product for each version and architecture.
    product_code = uuid.uuid5(upgrade_code, "product %s %s" % (args.version, args.arch))
    defines = {
        "Version": args.version,
        "ProductCode": str(product_code).upper(),
        "UpgradeCode": str(upgrade_code).upper(),
        "ProductName": PRODUCT_NAMES[args.arch],
        "ShortcutName": SHORTCUT_NAMES[args.arch],
        "ReadmeShortcutName": README_SHORTCUT_NAMES[args.arch],
        "VoiceCondition": names_a_pack("VOICE", packs),
        "SavedVoiceCondition": names_a_pack("SAVEDVOICE", packs),
        "ProgramFiles": "ProgramFiles64Folder" if args.arch == "x64" else "ProgramFilesFolder",
        "Win64": win64,
        "SourceDir": os.path.basename(stage_dir),
        "IconFile": os.path.basename(icon),
    }
    # wixl takes the files' paths relative to the folder it runs in.
    unpinned = os.path.abspath(path) + ".tmp"
    command = [args.wixl, "-a", args.arch, "-o", unpinned]
    for name, value in defines.items():
        command += ["-D", "%s=%s" % (name, value)]
    # The cabinet inside holds each file's time as local time.
    subprocess.run(command + [os.path.abspath(args.wxs), fragment_path], check=True, cwd=args.work,
                   env=dict(os.environ, TZ="UTC"))
    name_queries, copies = msi_tables.file_name_queries(args.msibuild, unpinned, copies, "INSTALLDIR")
    msi_tables.apply(args.msibuild, unpinned,
                     msi_tables.version_queries({"korvane.exe": os.path.join(stage_dir, "korvane.exe")})
                     + name_queries
                     + msi_tables.condition_queries({c: 'VOICE = "%s"' % p for p, c in beside.items()})
                     + msi_tables.copy_queries(copies, "INSTALLDIR")
                     + msi_tables.immediate_queries(args.msibuild, unpinned)
                     + msi_tables.secure_queries(args.msibuild, unpinned, ["VOICE"]))
    # A package code of its own for every package that differs in any byte: derived from
    # the finished bytes, with the code itself still a placeholder.
    msi_summary.pin(unpinned, str(uuid.UUID(int=0)), epoch)
    with open(unpinned, "rb") as package:
        package_code = uuid.uuid5(upgrade_code, "package " + hashlib.sha256(package.read()).hexdigest())
    msi_summary.pin(unpinned, str(package_code), epoch)
    signer.sign(unpinned, args.name + ".msi.p7s", args.out, epoch)
    os.replace(unpinned, path)


def write_sums(out_dir, names):
    lines = []
    for name in sorted(names):
        with open(os.path.join(out_dir, name), "rb") as package:
            lines.append("%s  %s\n" % (hashlib.sha256(package.read()).hexdigest(), name))
    with open(os.path.join(out_dir, "SHA256SUMS"), "w", newline="\n") as sums:
        sums.writelines(lines)


def main():
    args = parse_args()
    signer = signing.Signer(args.osslsigncode, args.sign_cert, args.sign_key, args.sign_timestamp_url,
                            args.signatures, args.sign_without_timestamp, "Korvane " + args.version, args.sign_url)
    if args.wixl and not args.msibuild:
        raise SystemExit("release: the MSI needs msibuild (Debian package msitools)")
    epoch = source_epoch(args.source_dir)
    os.makedirs(args.out, exist_ok=True)
    os.makedirs(args.work, exist_ok=True)
    stage_dir = os.path.join(os.path.abspath(args.work), args.name)
    installed = stage(args, stage_dir, epoch)
    if not signer.active:  # an unsigned release publishes no signatures of an earlier one
        for name in os.listdir(args.out):
            if name.startswith(args.name + ".") and name.endswith(".p7s"):
                os.remove(os.path.join(args.out, name))
    for relative in installed:
        if relative.endswith(".exe"):
            signer.sign(os.path.join(stage_dir, relative), "%s.%s.p7s" % (args.name, os.path.basename(relative)),
                        args.out, epoch)

    packages = [args.name + ".zip"]
    write_zip(os.path.join(args.out, args.name + ".zip.tmp"), stage_dir, args.name, installed, epoch)
    os.replace(os.path.join(args.out, args.name + ".zip.tmp"), os.path.join(args.out, args.name + ".zip"))
    if args.wixl:
        write_msi(args, os.path.join(args.out, args.name + ".msi"), stage_dir, installed, epoch, signer)
        packages.append(args.name + ".msi")
    packages += signer.published
    write_sums(args.out, packages)
    for name in packages + ["SHA256SUMS"]:
        print("release: %s (%d bytes)" % (os.path.join(args.out, name), os.path.getsize(os.path.join(args.out, name))))


if __name__ == "__main__":
    main()

"""Writes into an MSI's tables what wixl cannot: files' versions and languages, short file
names, components' conditions, copies of installed files (DuplicateFile) and secure
properties; and it clears what Windows Installer ignores (NoImpersonate on immediate actions).

wixl records every file as unversioned, with a hash in MsiFileHash. Windows Installer never
replaces a versioned file already on disk with an unversioned one, so the program's row must
carry the version of its version resource (and, being versioned, no hash) and its language
too: else a repair finds the file on disk of another language and copies it again.
"""
import os
import re
import struct
import subprocess

FIXED_FILE_INFO_SIGNATURE = 0xFEEF04BD


def fixed_file_info(data):
    """Where a program's VS_FIXEDFILEINFO lies in its bytes, or -1: its file version and
    then its product version follow, each two DWORDs, 8 bytes on."""
    start = data.find("VS_VERSION_INFO".encode("utf-16-le"))
    return -1 if start < 0 else data.find(struct.pack("<I", FIXED_FILE_INFO_SIGNATURE), start)


def pe_version(path):
    """The file version (a.b.c.d) of a program's VS_VERSION_INFO resource, or None."""
    with open(path, "rb") as source:
        data = source.read()
    where = fixed_file_info(data)
    if where < 0:
        return None
    most, least = struct.unpack_from("<II", data, where + 8)
    return "%d.%d.%d.%d" % (most >> 16, most & 0xFFFF, least >> 16, least & 0xFFFF)


def pe_languages(path):
    """The languages (decimal LANGIDs, comma-separated) that the Translation value of a
    program's version resource names, or None."""
    with open(path, "rb") as source:
        data = source.read()
    start = data.find("VS_VERSION_INFO".encode("utf-16-le"))
    key = data.find("Translation\0".encode("utf-16-le"), start) if start >= 0 else -1
    if key < 0:
        return None
    # The value's header (length, value length, type) lies before its key; the value, pairs
    # of language and code page, starts at the next DWORD boundary after the key.
    _, value_length, _ = struct.unpack_from("<HHH", data, key - 6)
    value = (key + len("Translation\0") * 2 + 3) & ~3
    words = struct.unpack_from("<%dH" % (value_length // 2), data, value)
    return ",".join(str(language) for language in words[0::2]) or None


def version_queries(files):
    """files: {File table key: path of the file put into the MSI}. Each gets its version and
    language and loses its hash row."""
    queries = []
    for key, path in sorted(files.items()):
        version, languages = pe_version(path), pe_languages(path)
        if version is None or languages is None:
            raise SystemExit("release: %s has no version resource with a language" % path)
        queries.append("UPDATE `File` SET `Version`='%s', `Language`='%s' WHERE `File`='%s'"
                       % (version, languages, key))
        queries.append("DELETE FROM `MsiFileHash` WHERE `File_`='%s'" % key)
    return queries


SHORT_NAME = re.compile(r"[^.\s+,;=\[\]/\\?|<>:*\"]{1,8}(\.[^.\s+,;=\[\]/\\?|<>:*\"]{1,3})?")


def is_short_name(name):
    """Whether name is a valid short (8.3) file name as Windows Installer's Filename type has
    it."""
    return SHORT_NAME.fullmatch(name) is not None


def short_names(folders):
    """folders: {folder: long file names in it}. Returns {(folder, name): the name as the
    Filename type takes it}: the name itself where it is a valid 8.3 name, else "SHORT~N.EXT|name",
    with a short name that no other name of the folder has. The same names give the same
    short names."""
    result = {}
    for folder, names in sorted(folders.items()):
        names = sorted(set(names))
        taken = {name.upper() for name in names if is_short_name(name)}
        for name in names:
            if is_short_name(name):
                result[(folder, name)] = name
                continue
            stem, _, extension = name.rpartition(".") if "." in name else (name, "", "")
            stem = re.sub(r"[^A-Za-z0-9_]", "", stem).upper()[:6] or "FILE"
            extension = re.sub(r"[^A-Za-z0-9_]", "", extension).upper()[:3]
            number = 1
            while True:
                short = "%s~%d%s" % (stem[:7 - len(str(number))], number, "." + extension if extension else "")
                if short not in taken:
                    break
                number += 1
            taken.add(short)
            result[(folder, name)] = "%s|%s" % (short, name)
    return result


def table_rows(msibuild, msi, table):
    """The rows of one of the MSI's tables, each a list of its columns' texts."""
    msiinfo = os.path.join(os.path.dirname(msibuild), "msiinfo")
    text = subprocess.run([msiinfo, "export", msi, table], check=True, capture_output=True, text=True).stdout
    return [line.split("\t") for line in text.splitlines()[3:]]


def file_name_queries(msibuild, msi, copies, folder):
    """Every file's name with a short name where it needs one, the copies' names (copies as
    for copy_queries, into folder) among them. Returns the queries for the File table and
    the copies with their names given short and long."""
    directory = {row[0]: row[2] for row in table_rows(msibuild, msi, "Component")}
    files = [(row[0], directory[row[1]], row[2]) for row in table_rows(msibuild, msi, "File")]
    folders = {}
    for _, where, name in files:
        folders.setdefault(where, []).append(name)
    folders.setdefault(folder, []).extend(name for *_, name in copies)
    names = short_names(folders)
    queries = ["UPDATE `File` SET `FileName`='%s' WHERE `File`='%s'" % (names[(where, name)], key)
               for key, where, name in files if names[(where, name)] != name]
    return queries, [(key, component, source, names[(folder, name)]) for key, component, source, name in copies]


def immediate_queries(msibuild, msi):
    """Custom actions that run at once (not from the script) with no NoImpersonate bit, which
    Windows Installer ignores there: wixl sets it on every property-setting action."""
    no_impersonate, in_script = 0x800, 0x400
    return ["UPDATE `CustomAction` SET `Type`=%d WHERE `Action`='%s'" % (int(kind) & ~no_impersonate, action)
            for action, kind, *_ in table_rows(msibuild, msi, "CustomAction")
            if int(kind) & no_impersonate and not int(kind) & in_script]


def condition_queries(conditions):
    """conditions: {Component table key: the condition on which it is installed}."""
    if any("'" in condition for condition in conditions.values()):
        raise ValueError("a component condition with a single quote")
    return ["UPDATE `Component` SET `Condition`='%s' WHERE `Component`='%s'" % (condition, key)
            for key, condition in sorted(conditions.items())]


def copy_queries(copies, folder):
    """copies: (key, component, file, name): each installed with component as a copy of file,
    named name, in folder. The MSI holds the file once."""
    queries = ["CREATE TABLE `DuplicateFile` (`FileKey` CHAR(72) NOT NULL, `Component_` CHAR(72) NOT NULL, "
               "`File_` CHAR(72) NOT NULL, `DestName` CHAR(255) LOCALIZABLE, `DestFolder` CHAR(72) "
               "PRIMARY KEY `FileKey`)"]
    queries += ["INSERT INTO `DuplicateFile` (`FileKey`, `Component_`, `File_`, `DestName`, `DestFolder`) "
                "VALUES ('%s', '%s', '%s', '%s', '%s')" % (key, component, source, name, folder)
                for key, component, source, name in copies]
    # The actions that make and remove copies, where Windows Installer's own order has them.
    queries += ["INSERT INTO `InstallExecuteSequence` (`Action`, `Sequence`) VALUES ('%s', %d)" % action
                for action in (("RemoveDuplicateFiles", 3400), ("DuplicateFiles", 4210))]
    return queries if copies else []


def secure_queries(msibuild, msi, names):
    """Adds names to SecureCustomProperties: public properties that reach the elevated part
    of a per-machine install."""
    secure = [row[1].strip() for row in table_rows(msibuild, msi, "Property") if row[0] == "SecureCustomProperties"]
    listed = secure[0].split(";") if secure else []
    value = ";".join(listed + [name for name in names if name not in listed])
    if secure:
        return ["UPDATE `Property` SET `Value`='%s' WHERE `Property`='SecureCustomProperties'" % value]
    return ["INSERT INTO `Property` (`Property`, `Value`) VALUES ('SecureCustomProperties', '%s')" % value]


def apply(msibuild, msi, queries):
    command = [msibuild, msi]
    for query in queries:
        command += ["-q", query]
    subprocess.run(command, check=True)

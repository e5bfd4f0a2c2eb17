"""Writes into an MSI's tables what wixl cannot: files' versions, components' conditions,
copies of installed files (DuplicateFile) and secure properties.

wixl records every file as unversioned, with a hash in MsiFileHash. Windows Installer never
replaces a versioned file already on disk with an unversioned one, so the program's row must
carry the version of its version resource (and, being versioned, no hash).
"""
import os
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


def version_queries(files):
    """files: {File table key: path of the file put into the MSI}. Each gets its version and
    loses its hash row."""
    queries = []
    for key, path in sorted(files.items()):
        version = pe_version(path)
        if version is None:
            raise SystemExit("release: %s has no version resource" % path)
        queries.append("UPDATE `File` SET `Version`='%s' WHERE `File`='%s'" % (version, key))
        queries.append("DELETE FROM `MsiFileHash` WHERE `File_`='%s'" % key)
    return queries


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
    msiinfo = os.path.join(os.path.dirname(msibuild), "msiinfo")
    table = subprocess.run([msiinfo, "export", msi, "Property"], check=True, capture_output=True,
                           text=True).stdout
    secure = [line.split("\t", 1)[1].strip() for line in table.splitlines()
              if line.startswith("SecureCustomProperties\t")]
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

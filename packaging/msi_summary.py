#!/usr/bin/env python3
"""Pins what wixl writes from the clock and from chance into an MSI's summary information:
the package code (revision number) and the creation and last-saved times. Everything else
wixl writes depends only on its input.

    msi_summary.py MSI PACKAGE_CODE EPOCH_SECONDS

The summary information is the stream "\\x05SummaryInformation" of the MSI, an OLE compound
file; its values are changed in place, where they lie, and keep their sizes.
"""
import struct
import sys

FREE = 0xFFFFFFFF
END_OF_CHAIN = 0xFFFFFFFE
PID_REVNUMBER = 9
PID_TIMES = (11, 12, 13)  # last printed, created, last saved
VT_LPSTR = 30
VT_FILETIME = 64
FILETIME_OFFSET_S = 11644473600  # from 1601-01-01 to 1970-01-01


class CompoundFile:
    """Just enough of the compound file format to find one stream's bytes in the file."""

    def __init__(self, data):
        if data[:8] != bytes.fromhex("d0cf11e0a1b11ae1"):
            raise ValueError("not an OLE compound file")
        self.data = data
        self.sector_size = 1 << struct.unpack_from("<H", data, 0x1E)[0]
        self.mini_size = 1 << struct.unpack_from("<H", data, 0x20)[0]
        (self.first_dir, _, self.mini_cutoff, self.first_minifat, _, first_difat,
         difat_count) = struct.unpack_from("<7I", data, 0x30)
        fat_sectors = [s for s in struct.unpack_from("<109I", data, 0x4C) if s != FREE]
        difat = first_difat
        per_sector = self.sector_size // 4
        for _ in range(difat_count):
            entries = struct.unpack_from("<%dI" % per_sector, data, self.offset(difat))
            fat_sectors += [s for s in entries[:-1] if s != FREE]
            difat = entries[-1]
        self.fat = []
        for sector in fat_sectors:
            self.fat += struct.unpack_from("<%dI" % per_sector, data, self.offset(sector))
        self.minifat = []
        for sector in self.chain(self.first_minifat):
            self.minifat += struct.unpack_from("<%dI" % per_sector, data, self.offset(sector))
        root = self.entries()[0]
        self.mini_stream = self.chain(root[1])

    def offset(self, sector):
        return (sector + 1) * self.sector_size

    def chain(self, start, table=None):
        table = self.fat if table is None else table
        sectors = []
        while start not in (END_OF_CHAIN, FREE):
            sectors.append(start)
            start = table[start]
        return sectors

    def entries(self):
        """(name, first sector, size) of each directory entry."""
        result = []
        for sector in self.chain(self.first_dir):
            base = self.offset(sector)
            for i in range(self.sector_size // 128):
                entry = base + i * 128
                name_bytes = struct.unpack_from("<H", self.data, entry + 64)[0]
                name = self.data[entry:entry + max(name_bytes - 2, 0)].decode("utf-16-le")
                start, size = struct.unpack_from("<IQ", self.data, entry + 116)
                result.append((name, start, size))
        return result

    def stream_offsets(self, name):
        """The file offset of each byte of the named stream, in order."""
        for entry_name, start, size in self.entries():
            if entry_name != name:
                continue
            offsets = []
            if size < self.mini_cutoff:
                per_sector = self.sector_size // self.mini_size
                for mini in self.chain(start, self.minifat):
                    container = self.mini_stream[mini // per_sector]
                    base = self.offset(container) + (mini % per_sector) * self.mini_size
                    offsets += range(base, base + self.mini_size)
            else:
                for sector in self.chain(start):
                    base = self.offset(sector)
                    offsets += range(base, base + self.sector_size)
            return offsets[:size]
        raise ValueError("no stream %r" % name)


def pin(path, package_code, epoch):
    with open(path, "rb") as msi:
        data = bytearray(msi.read())
    offsets = CompoundFile(data).stream_offsets("\x05SummaryInformation")
    stream = bytearray(data[o] for o in offsets)

    section = struct.unpack_from("<I", stream, 28 + 16)[0]
    count = struct.unpack_from("<I", stream, section + 4)[0]
    filetime = (epoch + FILETIME_OFFSET_S) * 10_000_000
    code = ("{%s}" % package_code.strip("{}").upper()).encode("ascii")
    pinned = set()
    for i in range(count):
        pid, where = struct.unpack_from("<II", stream, section + 8 + 8 * i)
        value = section + where
        kind = struct.unpack_from("<I", stream, value)[0]
        if pid in PID_TIMES and kind == VT_FILETIME:
            struct.pack_into("<Q", stream, value + 4, filetime)
            pinned.add(pid)
        elif pid == PID_REVNUMBER and kind == VT_LPSTR:
            length = struct.unpack_from("<I", stream, value + 4)[0]
            if length != len(code) + 1:
                raise ValueError("package code of unexpected length %d" % length)
            stream[value + 8:value + 8 + len(code)] = code
            pinned.add(pid)
    if PID_REVNUMBER not in pinned:
        raise ValueError("no package code in the summary information")

    for o, byte in zip(offsets, stream):
        data[o] = byte
    with open(path, "wb") as msi:
        msi.write(data)


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit("usage: msi_summary.py MSI PACKAGE_CODE EPOCH_SECONDS")
    pin(sys.argv[1], sys.argv[2], int(sys.argv[3]))

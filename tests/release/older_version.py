#!/usr/bin/env python3
"""Writes a copy of a program whose version resource says 0.9.0.0: an older release's
program, as an older zip unpacked into the installed folder leaves it.

    older_version.py PROGRAM COPY
"""
import os
import struct
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "packaging"))
import msi_tables  # noqa: E402

with open(sys.argv[1], "rb") as source:
    data = bytearray(source.read())
where = msi_tables.fixed_file_info(data)
if where < 0:
    sys.exit("%s has no version resource" % sys.argv[1])
struct.pack_into("<IIII", data, where + 8, 0x00000009, 0, 0x00000009, 0)
with open(sys.argv[2], "wb") as copy:
    copy.write(data)

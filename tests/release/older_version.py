#!/usr/bin/env python3
"""Writes a copy of a program whose version resource says 0.9.0.0: an older release's
program, as an older zip unpacked into the installed folder leaves it.

    older_version.py PROGRAM COPY
"""
import struct
import sys

with open(sys.argv[1], "rb") as source:
    data = bytearray(source.read())
start = data.find("VS_VERSION_INFO".encode("utf-16-le"))
fixed = data.find(struct.pack("<I", 0xFEEF04BD), start)
if start < 0 or fixed < 0:
    sys.exit("%s has no version resource" % sys.argv[1])
# File version, then product version, each as two DWORDs after the signature and its version.
struct.pack_into("<IIII", data, fixed + 8, 0x00000009, 0, 0x00000009, 0)
with open(sys.argv[2], "wb") as copy:
    copy.write(data)

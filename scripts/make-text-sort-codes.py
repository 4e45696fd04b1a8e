#!/usr/bin/env python3
"""Builds engine/access/writer/data/*.codes, the byte codes that Access's General sort order
gives each UTF-16 code unit in a text index key.

The figures come from the Jackcess project's resource files index_codes_gen*.txt and
index_codes_genleg*.txt (Apache License 2.0, Copyright Health Market Science, Inc. and the
Jackcess authors). Run it with the folder that holds those four text files:

    scripts/make-text-sort-codes.py DIR_WITH_TXT engine/access/writer/data

Output format (all of it zlib-compressed behind Qt's 4-byte big-endian length, so that
qUncompress reads it): the bytes "VSC1", then one record per code unit U+0000..U+FFFF except the
surrogates U+D800..U+DFFF, in order. A record is: a kind letter (S, I, U, P, Z, G or X), the
inline bytes (length byte + bytes), the extra bytes (length byte + bytes), the unprintable bytes
(length byte + bytes), the extra-byte modifier (one byte) and the two-bit flag of a Z code
(one byte, 0 otherwise).
"""
import os
import struct
import sys
import zlib


def hex_bytes(text):
    if not text:
        return b""
    if len(text) % 2:
        text = "0" + text
    return bytes.fromhex(text)


def record(line):
    kind, fields = line[0], line[1:].split(",")
    inline = extra = unprint = b""
    modifier = flag = 0
    if kind in "SG":
        inline = hex_bytes(fields[0])
    elif kind == "I":
        inline, extra = hex_bytes(fields[0]), hex_bytes(fields[1])
    elif kind == "U":
        unprint = hex_bytes(fields[0])
    elif kind == "P":
        modifier = hex_bytes(fields[0])[0]
    elif kind == "Z":
        inline, extra = hex_bytes(fields[0]), hex_bytes(fields[1])
        flag = 2 if fields[2] == "1" else 3
    elif kind != "X":
        raise ValueError("unknown code line " + line)
    out = kind.encode()
    for part in (inline, extra, unprint):
        out += bytes([len(part)]) + part
    return out + bytes([modifier, flag])


def build(base_path, ext_path):
    lines = open(base_path).read().split("\n")[:256] + open(ext_path).read().split("\n")[:63232]
    data = b"VSC1" + b"".join(record(line) for line in lines)
    return struct.pack(">I", len(data)) + zlib.compress(data, 9)


def main():
    src, dst = sys.argv[1], sys.argv[2]
    for name, stem in (("general-legacy.codes", "genleg"), ("general.codes", "gen")):
        blob = build(os.path.join(src, "index_codes_%s.txt" % stem),
                     os.path.join(src, "index_codes_ext_%s.txt" % stem))
        with open(os.path.join(dst, name), "wb") as f:
            f.write(blob)


if __name__ == "__main__":
    main()

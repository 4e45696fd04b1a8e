#!/usr/bin/env python3
"""Damages copies of real Access files and sorts what the reader makes of each copy.

Every copy gets one change: a flipped bit, 16 bytes overwritten, or a whole page zeroed, placed
either on one of the catalog's data pages or on any of the first 64 pages. Each copy is dumped
with `vantor-cli dump --show-hidden` and compared with the dump of the intact file:

  refused    the reader failed (any non-zero exit)
  identical  the dump equals the intact file's
  different  the dump differs; the line says how (objects missing, text shorter, ...)

The same seed makes the same copies, so a run can be repeated exactly. Copies whose dump differs
are kept in the output folder with a .diff beside them.

usage: damage-sweep.py [--seed N] [--per-file N] [--cli PATH] [--out DIR] [FILE...]
"""

import argparse
import difflib
import os
import random
import struct
import subprocess
import sys
import tempfile
from collections import Counter, defaultdict

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
CORPORA = [os.path.join(ROOT, "..", "shared", "testdata", d) for d in ("access", "access-more")]
ACCESS_SUFFIXES = (".mdb", ".accdb")
CATALOG_DEFINITION_PAGE = 2
DATA_PAGE = 0x01
KINDS = ("flip", "overwrite16", "zero-page")
PLACES = ("catalog", "first-64")


def page_size(data):
    return 2048 if data[0x14] == 0 else 4096


def catalog_data_pages(data):
    size = page_size(data)
    return [p for p in range(1, len(data) // size)
            if data[p * size] == DATA_PAGE
            and struct.unpack_from("<I", data, p * size + 4)[0] == CATALOG_DEFINITION_PAGE]


def damage(data, rng, kind, place):
    """One damaged copy and a description of what was changed."""
    size = page_size(data)
    pages = len(data) // size
    if place == "catalog":
        candidates = catalog_data_pages(data)
        if not candidates:
            return None, None
        page = rng.choice(candidates)
    else:
        page = rng.randrange(0, min(64, pages))
    out = bytearray(data)
    start = page * size
    if kind == "flip":
        at = start + rng.randrange(size)
        bit = rng.randrange(8)
        out[at] ^= 1 << bit
        what = "page %d byte %d bit %d" % (page, at - start, bit)
    elif kind == "overwrite16":
        at = start + rng.randrange(size - 16)
        out[at:at + 16] = bytes(rng.randrange(256) for _ in range(16))
        what = "page %d bytes %d-%d" % (page, at - start, at - start + 15)
    else:
        out[start:start + size] = bytes(size)
        what = "page %d zeroed" % page
    return bytes(out), what


def dump(cli, path):
    try:
        run = subprocess.run([cli, "dump", "--show-hidden", path], capture_output=True,
                             timeout=120)
    except subprocess.TimeoutExpired:
        return None, b"timed out"
    return (run.stdout if run.returncode == 0 else None), run.stderr


def how_different(before, after):
    """A short account of a dump that differs: which lines went, which came, which got shorter."""
    old = before.decode("utf-8", "replace").splitlines()
    new = after.decode("utf-8", "replace").splitlines()
    gone = [line for line in old if line not in new]
    came = [line for line in new if line not in old]
    notes = []
    if len(new) < len(old):
        notes.append("%d fewer lines" % (len(old) - len(new)))
    if any(any(c.strip() and g.startswith(c.rstrip()) and len(c) < len(g) for g in gone)
           for c in came):
        notes.append("text cut short")
    notes.append("%d lines gone, %d new" % (len(gone), len(came)))
    return "; ".join(notes)


def sweep(files, cli, rng, per_file, out_dir):
    table = defaultdict(Counter)
    details = []
    with tempfile.TemporaryDirectory() as scratch:
        for path in files:
            data = open(path, "rb").read()
            name = os.path.basename(path)
            original, why = dump(cli, path)
            if original is None:
                print("skipped %s: the intact file does not read (%s)" %
                      (name, why.decode("utf-8", "replace").strip()), file=sys.stderr)
                continue
            for n in range(per_file):
                kind, place = rng.choice(KINDS), rng.choice(PLACES)
                copy, what = damage(data, rng, kind, place)
                if copy is None:
                    continue
                copy_path = os.path.join(scratch, "%d-%s" % (n, name))
                with open(copy_path, "wb") as f:
                    f.write(copy)
                got, err = dump(cli, copy_path)
                if got is None:
                    verdict = "refused"
                elif got == original:
                    verdict = "identical"
                else:
                    verdict = "different"
                    note = how_different(original, got)
                    details.append("%s (%s, %s): %s" % (name, kind, what, note))
                    if out_dir:
                        keep = os.path.join(out_dir, "%s-%d%s" % (name, n, os.path.splitext(name)[1]))
                        with open(keep, "wb") as f:
                            f.write(copy)
                        with open(keep + ".diff", "w") as f:
                            f.writelines(difflib.unified_diff(
                                original.decode("utf-8", "replace").splitlines(True),
                                got.decode("utf-8", "replace").splitlines(True)))
                table[(kind, place)][verdict] += 1
                os.remove(copy_path)
    return table, details


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--seed", type=int, default=2611)
    parser.add_argument("--per-file", type=int, default=40)
    parser.add_argument("--cli", default=os.path.join(ROOT, "build", "bin", "vantor-cli"))
    parser.add_argument("--out", help="folder that keeps the copies that read differently")
    parser.add_argument("files", nargs="*")
    args = parser.parse_args()
    files = args.files or sorted(
        os.path.join(d, f) for d in CORPORA if os.path.isdir(d)
        for f in os.listdir(d) if f.lower().endswith(ACCESS_SUFFIXES))
    if args.out:
        os.makedirs(args.out, exist_ok=True)
    table, details = sweep(files, args.cli, random.Random(args.seed), args.per_file, args.out)
    print("seed %d, %d files, %d copies each" % (args.seed, len(files), args.per_file))
    print("%-12s %-9s %8s %9s %9s" % ("change", "where", "refused", "identical", "different"))
    totals = Counter()
    for kind in KINDS:
        for place in PLACES:
            row = table[(kind, place)]
            totals.update(row)
            print("%-12s %-9s %8d %9d %9d" % (kind, place, row["refused"], row["identical"],
                                              row["different"]))
    print("%-22s %8d %9d %9d" % ("total", totals["refused"], totals["identical"],
                                 totals["different"]))
    for line in details:
        print("different: " + line)
    return 0


if __name__ == "__main__":
    sys.exit(main())

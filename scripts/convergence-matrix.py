#!/usr/bin/env python3
"""Runs `vantor-cli verify --on-copy` for every ordered pair of writable Access files and sorts
the outcomes.

Each file is first tried against itself: a file the writer refuses (Access 97, encrypted, a sort
order other than General, damaged, ...) is left out of the pairs and listed with the reason. Every
ordered pair of the remaining files is then verified with the second file as the target, so the
script runs on a real copy of it, and lands in one of these rows:

  converged        every object is equal after the script
  stated only      what still differs is what the script itself notes Jet DDL cannot express
  not converged    objects still differ for no stated reason (listed by kind and first difference)
  failed batch     the run stopped at a batch (the statement's first words and the Jet error)
  refused          the run was refused before the copy was changed (exit code 2)
  timed out        the pair took longer than --timeout seconds

The folders are only read: their files' checksums are taken before and after, and any change is
reported and makes the exit code 3. Reasons are grouped with names and numbers left out.

usage: convergence-matrix.py [--cli PATH] [--timeout S] [--jobs N] [--only SUBSTR]
                             [--json FILE [--resume]] [FOLDER...]
"""

import argparse
import concurrent.futures
import hashlib
import json
import os
import re
import subprocess
import sys
from collections import Counter, defaultdict

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
SHARED = next((p for p in (os.path.join(ROOT, "..", "shared"), os.path.join(ROOT, "..", "..", "shared"))
               if os.path.isdir(p)), os.path.join(ROOT, "..", "shared"))
CORPORA = [os.path.join(SHARED, "testdata", d) for d in ("access", "access-more")]
ACCESS_SUFFIXES = (".mdb", ".accdb")
ROWS = ("converged", "stated only", "not converged", "failed batch", "refused", "timed out")


def access_files(folders):
    files = []
    for folder in folders:
        for name in sorted(os.listdir(folder)):
            path = os.path.join(folder, name)
            if os.path.isfile(path) and name.lower().endswith(ACCESS_SUFFIXES):
                files.append(os.path.abspath(path))
    return files


def checksums(files):
    sums = {}
    for path in files:
        with open(path, "rb") as f:
            sums[path] = hashlib.sha256(f.read()).hexdigest()
    return sums


def general(text):
    """The text with names, quoted values and numbers replaced, so that equal causes group."""
    text = re.sub(r"'[^']*'", "'…'", text)
    text = re.sub(r"\[[^\]]*\]", "[…]", text)
    text = re.sub(r"\"[^\"]*\"", "\"…\"", text)
    text = re.sub(r"\b\d+\b", "N", text)
    return text.strip()


def label(path):
    return os.path.basename(os.path.dirname(path)) + "/" + os.path.basename(path)


def verify(cli, primary, secondary, timeout):
    command = [cli, "verify", primary, secondary, "--target", "secondary", "--on-copy",
               "--format", "json", "--quiet"]
    try:
        done = subprocess.run(command, capture_output=True, timeout=timeout, text=True,
                              errors="replace")
    except subprocess.TimeoutExpired:
        return {"row": "timed out", "why": ["longer than %s s" % timeout]}
    err = done.stderr.strip().splitlines()
    if done.returncode == 2 or not done.stdout.strip():
        return {"row": "refused", "why": [err[-1] if err else "exit %d, no output" % done.returncode]}
    report = json.loads(done.stdout)
    if report["converged"]:
        return {"row": "converged", "why": []}
    if report["failure"]:
        failure = report["failure"]
        return {"row": "failed batch", "why": [failure["description"]],
                "batch": failure["batch"]}
    unexplained = [o for o in report["objects"]
                   if o["state"] != "equal" and o.get("reason", "").startswith("still ")]
    if not unexplained:
        return {"row": "stated only",
                "why": sorted({"%s: %s" % (o["type"], sentence.rstrip("."))
                               for o in report["objects"] if o["state"] != "equal"
                               for sentence in general(o.get("reason", "")).split(". ")})}
    return {"row": "not converged",
            "why": ["%s %s: %s" % (o["type"], o["name"], o["reason"]) for o in unexplained]}


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("folders", nargs="*", default=CORPORA)
    parser.add_argument("--cli", default=os.path.join(ROOT, "build", "bin", "vantor-cli"))
    parser.add_argument("--timeout", type=float, default=120)
    parser.add_argument("--jobs", type=int, default=1)
    parser.add_argument("--only", action="append", default=[],
                        help="keep only files whose name contains this (repeatable)")
    parser.add_argument("--json", help="also write each pair's outcome to this file as a JSON line")
    parser.add_argument("--resume", action="store_true",
                        help="keep the outcomes already in the --json file, run only the other "
                             "pairs and add theirs")
    args = parser.parse_args()

    files = access_files(args.folders)
    if args.only:
        files = [f for f in files if any(s.lower() in f.lower() for s in args.only)]
    before = checksums(files)

    with concurrent.futures.ThreadPoolExecutor(args.jobs) as pool:
        probes = dict(zip(files, pool.map(lambda f: verify(args.cli, f, f, args.timeout), files)))
    writable = [f for f in files if probes[f]["row"] == "converged"]
    left_out = defaultdict(list)
    for f in files:
        if f not in writable:
            left_out[general(" ".join(probes[f]["why"]))].append(label(f))

    pairs = [(a, b) for a in writable for b in writable if a != b]
    # Each outcome is written as soon as it is known, so a long run can be watched and a cut
    # one still says what it found.
    known = {}
    if args.resume and args.json and os.path.exists(args.json):
        with open(args.json) as f:
            for line in f:
                o = json.loads(line)
                known[(o.pop("primary"), o.pop("secondary"))] = o
    log = open(args.json, "a" if args.resume else "w") if args.json else None
    outcomes = [known.get(pair) for pair in pairs]
    with concurrent.futures.ThreadPoolExecutor(args.jobs) as pool:
        running = {pool.submit(verify, args.cli, a, b, args.timeout): i
                   for i, (a, b) in enumerate(pairs) if outcomes[i] is None}
        for done in concurrent.futures.as_completed(running):
            i = running[done]
            outcomes[i] = done.result()
            if log:
                log.write(json.dumps({"primary": pairs[i][0], "secondary": pairs[i][1],
                                      **outcomes[i]}) + "\n")
                log.flush()
    if log:
        log.close()

    after = checksums(files)
    changed = [label(f) for f in files if before[f] != after[f]]

    print("Files: %d, writable: %d, ordered pairs: %d" % (len(files), len(writable), len(pairs)))
    for why, names in sorted(left_out.items()):
        print("  left out (%d): %s\n      %s" % (len(names), why, ", ".join(names)))
    counts = Counter(o["row"] for o in outcomes)
    print()
    for row in ROWS:
        print("%-14s %5d" % (row, counts[row]))
    for row in ROWS[1:]:
        grouped = defaultdict(set)
        for (a, b), o in zip(pairs, outcomes):
            if o["row"] != row:
                continue
            for why in o["why"] or ["(no reason given)"]:
                grouped[general(why)].add(
                    "%s -> %s" % (label(a), label(b)))
        if not grouped:
            continue
        print("\n%s:" % row)
        for why, which in sorted(grouped.items(), key=lambda kv: -len(kv[1])):
            print("  %4d  %s\n        e.g. %s" % (len(which), why, sorted(which)[0]))
    if changed:
        print("\nFILES CHANGED BY THE RUN (must never happen): " + ", ".join(changed))
        return 3
    print("\nEvery file's checksum is the same after the run.")
    return 0


if __name__ == "__main__":
    sys.exit(main())

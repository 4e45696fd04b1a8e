#!/bin/bash
# Makes the large Access files that bench_large, bench_desktop and bench/git-log-textconv.sh
# read: 250, 1,000 and 4,000 tables (.accdb), 1,000 tables as a Jet 4 .mdb, and a copy of the
# 1,000-table file that differs in a quarter of its tables (one column's type changed in each).
# Usage: bench/make-large-files.sh [FOLDER] (default /tmp/vantor-large); needs Java (see
# ../shared/tools/jackcess/README.md) and Python 3.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-/tmp/vantor-large}
jackcess=${JACKCESS:-$here/../shared/tools/jackcess/run}
mkdir -p "$out"
for n in 250 1000 4000; do
    [ -f "$out/large-$n.accdb" ] || "$jackcess" GenerateLarge "$out/large-$n.accdb" "$n"
done
[ -f "$out/large-1000.mdb" ] || "$jackcess" GenerateLarge "$out/large-1000.mdb" 1000
# The changed copy: in every fourth table definition, in page order, column [Field 01] turns from
# Long Integer into Single (both four bytes, so the rows stay readable).
[ -f "$out/large-1000-changed.accdb" ] || python3 - "$out/large-1000.accdb" \
    "$out/large-1000-changed.accdb" <<'PY'
import struct, sys
data = bytearray(open(sys.argv[1], 'rb').read())
page_size, seen = 4096, 0
for start in range(0, len(data), page_size):
    # A Jet 4 table definition page of a user table with the generator's 21 columns.
    if data[start] != 0x02 or data[start + 40] != 0x4E:
        continue
    columns = struct.unpack_from('<H', data, start + 45)[0]
    real_indexes = struct.unpack_from('<I', data, start + 51)[0]
    if columns != 21:
        continue
    entries = start + 63 + real_indexes * 12  # 25 bytes per column: type first, number at 5
    if seen % 4 == 0:
        entry = next(entries + 25 * i for i in range(columns) if data[entries + 25 * i + 5] == 2)
        if data[entry] != 4:
            sys.exit('column [Field 01] is not a Long Integer here')
        data[entry] = 6
    seen += 1
if seen != 1000:
    sys.exit('expected 1000 tables, found %d' % seen)
open(sys.argv[2], 'wb').write(data)
PY
ls -l "$out"

#!/usr/bin/env bash
# fuzz/run.sh BUILD_DIR [SECONDS]: runs the fuzz targets side by side for SECONDS (default 1800)
# on a corpus seeded with the real test files; findings land in BUILD_DIR/fuzz/findings.
set -euo pipefail
build="${1:?usage: fuzz/run.sh BUILD_DIR [SECONDS]}"
seconds="${2:-1800}"
here="$(cd "$(dirname "$0")/.." && pwd)"
out="$build/fuzz"
mkdir -p "$out/corpus-open" "$out/corpus-reader" "$out/corpus-encryption" "$out/corpus-writer" \
    "$out/findings"
# FUZZ_READER picks the reader the parent starts, e.g. an optimised one without sanitizers.
export VANTOR_MDB_READER="${FUZZ_READER:-$build/bin/vantor-mdb-reader}"

seed() {
    for f in "$here"/../shared/testdata/access/*.mdb "$here"/../shared/testdata/access/*.accdb \
             "$here"/../shared/testdata/access/encrypted/*.*db "$build"/testdata/*.mdb; do
        [ -f "$f" ] || continue
        [ "$(stat -c %s "$f")" -le 700000 ] || continue
        cp -n "$f" "$1/" 2>/dev/null || true
    done
}
seed "$out/corpus-open"
seed "$out/corpus-reader"
seed "$out/corpus-writer"
# The encryption parser reads page 0 only.
for f in "$here"/../shared/testdata/access/encrypted/*.accdb; do
    [ -f "$f" ] && head -c 4096 "$f" >"$out/corpus-encryption/$(basename "$f").page0"
done

common=(-max_len=700000 -max_total_time="$seconds" -print_final_stats=1)
nice -n 10 "$build/bin/fuzz_access_open" "${common[@]}" -timeout=120 -rss_limit_mb=4096 \
    -artifact_prefix="$out/findings/open-" "$out/corpus-open" >"$out/open.log" 2>&1 &
open_pid=$!
nice -n 10 "$build/bin/fuzz_mdb_reader" "${common[@]}" -timeout=20 -rss_limit_mb=2048 \
    -fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1 \
    -artifact_prefix="$out/findings/reader-" "$out/corpus-reader" >"$out/reader.log" 2>&1 &
reader_pid=$!
nice -n 10 "$build/bin/fuzz_encryption_header" -max_len=4096 -max_total_time="$seconds" \
    -print_final_stats=1 -timeout=20 -artifact_prefix="$out/findings/encryption-" \
    "$out/corpus-encryption" >"$out/encryption.log" 2>&1 &
encryption_pid=$!
nice -n 10 "$build/bin/fuzz_jet_writer" "${common[@]}" -timeout=60 -rss_limit_mb=3072 \
    -artifact_prefix="$out/findings/writer-" "$out/corpus-writer" >"$out/writer.log" 2>&1 &
writer_pid=$!
status=0
wait "$open_pid" || status=$?
wait "$writer_pid" || status=$?
wait "$reader_pid" || true
wait "$encryption_pid" || status=$?
echo "fuzz_access_open: $(grep -c . "$out/open.log") log lines, exit $status (0 = no finding)"
echo "fuzz_mdb_reader: $(ls "$out/findings" | grep -c '^reader-' || true) libmdb/reader findings"
echo "fuzz_jet_writer: $(ls "$out/findings" | grep -c '^writer-' || true) findings"
echo "fuzz_encryption_header: $(ls "$out/findings" | grep -c '^encryption-' || true) findings"
tail -5 "$out/open.log"
exit "$status"

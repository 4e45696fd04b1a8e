#!/usr/bin/env bash
# Runs `vantor-cli verify --target secondary` over every ordered pair of the Access files in the
# given folders (default: the two shared folders of real files) and prints how many converge and
# every distinct reason of those that do not, names and values left out. Each file is read once
# into a snapshot, which holds its whole schema; the pairs are verified on the snapshots.
# PASSWORDS may name a file of "file-name<TAB>password" lines for encrypted files; files that
# cannot be opened are listed and left out. Extra verify options go in VERIFY_OPTIONS.
#   scripts/verify-pairs.sh [BUILD_DIR] [FOLDER...]
set -uo pipefail

build="${1:-build}"
shift || true
folders=("$@")
[ ${#folders[@]} -gt 0 ] || folders=(../shared/testdata/access ../shared/testdata/access-more)
cli="$build/bin/vantor-cli"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/snaps" "$work/out"

password_of() {
    [ -n "${PASSWORDS:-}" ] && awk -F'\t' -v f="$1" '$1 == f { print $2; exit }' "$PASSWORDS"
}

for folder in "${folders[@]}"; do
    for f in "$folder"/*.mdb "$folder"/*.accdb; do
        [ -e "$f" ] || continue
        name="$(basename "$(dirname "$f")")-$(basename "$f")"
        pw="$(password_of "$(basename "$f")")"
        printf '%s\n' "$pw" > "$work/pw"
        args=()
        [ -n "$pw" ] && args=(--password-file "$work/pw")
        "$cli" snapshot "$f" -o "$work/snaps/$name.json" "${args[@]}" 2> /dev/null ||
            echo "left out (cannot be opened): $f"
    done
done

for a in "$work"/snaps/*.json; do
    for b in "$work"/snaps/*.json; do
        [ "$a" = "$b" ] && continue
        out="$work/out/$(basename "$a" .json)__$(basename "$b" .json).json"
        # shellcheck disable=SC2086
        "$cli" verify "$a" "$b" --target secondary --format json --quiet ${VERIFY_OPTIONS:-} \
            > "$out" 2> "$out.err"
    done
done

python3 - "$work/out" <<'PY'
import collections, glob, json, re, sys
converged = failed = 0
reasons = collections.defaultdict(set)
for path in glob.glob(sys.argv[1] + "/*.json"):
    try:
        d = json.load(open(path))
    except ValueError:
        failed += 1
        err = open(path + ".err", errors="replace").read().strip().splitlines()
        reasons["failed to run: " + (err[-1] if err else "no output")].add(path)
        continue
    if d["converged"]:
        converged += 1
        continue
    if d.get("failure"):
        reasons["batch failed: " + re.sub(r"'[^']*'", "…", d["failure"]["description"])].add(path)
    for o in d["objects"]:
        if o.get("reason"):
            for part in re.split(r"(?<=\.) (?=[a-z])", o["reason"]):
                reasons[o["type"] + ": " + re.sub(r"\[[^\]]*\]|'[^']*'|\"[^\"]*\"", "…", part)].add(path)
total = len(glob.glob(sys.argv[1] + "/*.json"))
print(f"{total} ordered pairs: {converged} converge, {total - converged - failed} do not, {failed} failed to run")
for reason, pairs in sorted(reasons.items(), key=lambda r: -len(r[1])):
    print(f"{len(pairs):6} pairs  {reason}")
PY

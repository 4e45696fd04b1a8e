#!/bin/bash
# Times `git log -p` over a history of 200 commits of a 1,000-table Access file, with
# `vantor-cli dump --textconv` as git's converter (as `vantor-cli git-setup` sets it) and with
# `mdb-schema FILE postgres` in its place. Each commit changes one more value in the file's rows,
# so every version is a file of its own that git has to convert.
# Usage: bench/git-log-textconv.sh [LARGE-FILES-FOLDER] (see bench/make-large-files.sh);
# the repository is built in a temporary folder under /tmp and removed at the end.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
large=${1:-/tmp/vantor-large}/large-1000.accdb
cli=${VANTOR_CLI:-$here/build/bin/vantor-cli}
commits=${COMMITS:-200}
command -v mdb-schema > /dev/null || { echo "skipped: mdb-schema is not installed"; exit 0; }
[ -f "$large" ] || { echo "skipped: $large is missing (bench/make-large-files.sh)"; exit 0; }
repo=$(mktemp -d /tmp/vantor-git-log.XXXXXX)
trap 'rm -rf "$repo"' EXIT
cd "$repo"
git init -q .
git config user.email bench@example.invalid
git config user.name bench
"$cli" git-setup . > /dev/null
git add .gitattributes
printf '#!/bin/sh\nexec mdb-schema "$1" postgres\n' > "$repo/../$(basename "$repo").mdb-schema"
chmod +x "$repo/../$(basename "$repo").mdb-schema"
trap 'rm -rf "$repo" "$repo/../$(basename "$repo").mdb-schema"' EXIT
# Version k has the text "x" of the first k rows that hold it turned into "q": the file stays
# whole (same length, no index on that column) and every version differs from the last.
python3 - "$large" "$repo/db.accdb" "$commits" <<'PY'
import subprocess, sys
source, target, commits = sys.argv[1], sys.argv[2], int(sys.argv[3])
data = bytearray(open(source, 'rb').read())
mark = 'xyzw'.encode('utf-16-le') # four short text columns of a row, stored side by side
places, at = [], data.find(mark)
while at >= 0 and len(places) < commits:
    places.append(at)
    at = data.find(mark, at + len(mark))
if len(places) < commits:
    sys.exit('the file holds too few rows to change')
for k in range(commits):
    if k:
        data[places[k - 1]] = ord('q')
    open(target, 'wb').write(data)
    subprocess.run(['git', 'add', 'db.accdb'], check=True)
    subprocess.run(['git', 'commit', '-q', '-m', 'version %d' % k], check=True)
PY
timed() { # label, then the command; prints the wall time
    local label=$1 start end
    shift
    start=$(date +%s.%N)
    "$@" > /dev/null
    end=$(date +%s.%N)
    printf '  %-52s %7.2f s\n' "$label" "$(echo "$end - $start" | bc)"
}
echo "git log -p over $commits commits of $(basename "$large") ($(stat -c %s "$large") bytes):"
git update-ref -d refs/notes/textconv/vantor 2> /dev/null || true
timed "vantor-cli, git's cache of conversions empty" git log -p
timed "vantor-cli, from git's cache" git log -p
git config diff.vantor.cachetextconv false
timed "vantor-cli, no cache" git log -p
git config diff.vantor.textconv "$repo/../$(basename "$repo").mdb-schema"
timed "mdb-schema FILE postgres, no cache" git log -p

#!/usr/bin/env bash
# The main job: compare the two example databases, on the desktop when there is a display,
# in the terminal otherwise. Works on copies so the examples in the repository stay as they are.
set -uo pipefail
build="${1:-build}"
work="$build/run"
mkdir -p "$work"
cp examples/orders-v2.json "$work/primary.json"
cp examples/orders-v1.json "$work/secondary.json"
primary="$work/primary.json"
secondary="$work/secondary.json"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x "$build/bin/vantor" ]; then
    echo "Starting Vantor on copies of the example databases ($work)."
    exec "$build/bin/vantor" "$primary" "$secondary"
fi

echo "No display found: comparing the example databases in the terminal."
echo
"$build/bin/vantor-cli" compare "$primary" "$secondary" --quiet
status=$?
[ "$status" -le 1 ] || exit "$status"
echo
echo "Script that brings the secondary database in line with the primary:"
echo
"$build/bin/vantor-cli" script "$primary" "$secondary" --target secondary --quiet || exit 2
report="$build/example-report.html"
"$build/bin/vantor-cli" compare "$primary" "$secondary" --format html -o "$report" --quiet
[ $? -le 1 ] || exit 2
echo
echo "Side-by-side report with the differences in red: $report (open it with: xdg-open $report)"

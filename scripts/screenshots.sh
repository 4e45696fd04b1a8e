#!/usr/bin/env bash
# Takes the desktop's screenshots for the documentation under a virtual X display:
# the main window after comparing the two example databases, the comparison window with its
# red marks, the connect dialog, a script window, and the main window after the secondary
# side's scripts made copies of the two equal. Usage: scripts/screenshots.sh [BUILD_DIR] [OUTPUT_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
out="${2:-docs/screenshots}"

# The newer schema as the primary database, as `make run` opens them.
examples=(examples/orders-v2.json examples/orders-v1.json)
for f in "${examples[@]}"; do
    [ -f "$f" ] || { echo "screenshots: $f is missing" >&2; exit 2; }
done
command -v xvfb-run >/dev/null || { echo "screenshots: xvfb-run is missing (scripts/setup-deps.sh installs it)" >&2; exit 2; }

cmake --build "$build" --target vantor-screenshots >/dev/null
mkdir -p "$out"
# Fusion draws the same everywhere; the fixed screen size keeps the pictures comparable.
# A window manager, when one is installed, frames the windows as a user sees them.
xvfb-run -a -s "-screen 0 1280x900x24" bash -c '
    if command -v openbox >/dev/null; then openbox >/dev/null 2>&1 & sleep 1; fi
    exec "$0" "$@"' "$build/bin/vantor-screenshots" "${examples[0]}" "${examples[1]}" "$out"

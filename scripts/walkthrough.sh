#!/usr/bin/env bash
# Walks through the desktop as a user does, under a virtual X display with a window manager,
# with keys and clicks sent by xdotool: connect two copies of the example snapshots, show a
# table's differences, write the secondary side's ALTER script, save it, run it, and refresh.
# Each step is a screenshot docs/screenshots/walk-NN-step.png; the copies are thrown away.
# Usage: scripts/walkthrough.sh [BUILD_DIR] [OUTPUT_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
out="${2:-docs/screenshots}"
scripts/setup-deps.sh xdotool openbox imagemagick
cmake --build "$build" --target vantor >/dev/null
mkdir -p "$out"
out="$(cd "$out" && pwd)"

work="$(mktemp -d)"
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
cp examples/orders-v2.json examples/orders-v1.json "$work/"
mkdir -p "$work/home"

display=":$((90 + RANDOM % 100))"
Xvfb "$display" -screen 0 1280x900x24 -nolisten tcp >/dev/null 2>&1 &
export DISPLAY="$display"
sleep 1
openbox >/dev/null 2>&1 &
sleep 1
program="$(cd "$build/bin" && pwd)/vantor"
(cd "$work" && HOME="$work/home" exec "$program") >"$work/vantor.log" 2>&1 &
# Every wait for a window is bounded, so a window that never comes fails the walk.
wait_for() { timeout 20 xdotool search --sync --name "$1" >/dev/null; }
wait_for '^Vantor Ver'

shot() {
    sleep "${2:-1}"
    import -window root "$out/walk-$1.png"
    echo "walkthrough: $out/walk-$1.png"
}

xdotool key ctrl+n
wait_for '^Compare two database$'
xdotool type --delay 5 "$work/orders-v2.json"
xdotool key Tab Tab Tab Tab
xdotool type --delay 5 "$work/orders-v1.json"
shot 01-connect 0.5
xdotool key Return
shot 02-compared 2
# The tree's root, then down to the first table, Customers, and Enter shows it.
xdotool mousemove 60 157 click 1
xdotool key Down Down Return
shot 03-differences
xdotool key F8 # the secondary database's ALTER script
wait_for '^SQL Script Editor'
shot 04-script
xdotool key ctrl+s
wait_for '^Save script as'
xdotool type --delay 5 "align-customers"
xdotool key Return
shot 05-saved
[ -f "$work/align-customers.sql" ] || { echo "walkthrough: the script was not saved" >&2; exit 1; }
xdotool key F5
shot 06-ran 2
xdotool key Return # close the script window
shot 07-refresh-offered
xdotool key Return # compare again
shot 08-refreshed 2

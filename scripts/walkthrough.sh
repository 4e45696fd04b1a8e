#!/usr/bin/env bash
# Walks through the desktop as a user does, under a virtual X display with a window manager,
# with keys and clicks sent by xdotool: connect two copies of the example snapshots, show a
# table's differences, write the secondary side's ALTER script, save it, run it, and refresh.
# Then what must not lose work: Close All and the comparison window coming back whole, the
# script buttons of each kind of object, a saved script opened with no target, Disconnect All
# under an open document, and every way of closing a script window with unsaved edits.
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
xdotool key Return # Yes: close the script window; one question only
shot 07-refresh-offered
if xdotool search --name '^SQL Script Editor' >/dev/null 2>&1; then
    echo "walkthrough: the script window is still open after Yes" >&2
    exit 1
fi
xdotool key F5 # the status bar's hint: compare again
shot 08-refreshed 3

# Window > Close All Windows, then View > Table Compare.: the window comes back whole.
xdotool key alt+w
sleep 0.3
xdotool key Down Down Down Down Return
shot 09-closed-all
xdotool key alt+v
sleep 0.3
xdotool key Down Return
shot 10-compare-back

# The buttons under each pane, for an object of each kind and state: each enabled only where
# it writes something.
n=11
for object in "Orders" "Shippers" "Stock Movements" "Product List" "Low Stock" "Products.Product Name"; do
    xdotool mousemove 60 157 click 1
    sleep 0.5
    xdotool type --delay 20 "$object"
    xdotool key Return
    shot "$n-buttons-$(echo "$object" | tr 'A-Z .' 'a-z--')"
    n=$((n + 1))
done

# A saved script opened again is aimed at no database until the user picks one.
xdotool key ctrl+o
wait_for '^Open a SQL file'
xdotool type --delay 5 "$work/align-customers.sql"
xdotool key Return
sleep 1
shot 17-opened-unaimed
# A new document is aimed at the secondary database; Window > Cascade steps the three windows.
xdotool mousemove 121 56 click 1
sleep 0.5
xdotool key alt+w
sleep 0.3
xdotool key Down Down Down Return
shot 18-new-document-cascaded
# File > Disconnect All: the document's target is cleared and the log says so.
xdotool key alt+f
sleep 0.3
xdotool key d
shot 19-disconnected
# F5 in the document now runs nothing and says that no database is open.
xdotool key F5
wait_for '^Vantor$'
shot 20-no-database 0.5
xdotool key Return

# Every way of closing a script window with unsaved edits asks first; Cancel keeps it. The
# window's own Close button and its frame's are found where the cascade above puts them on a
# 1280x900 screen.
close_me_x=490 close_me_y=193 frame_close_x=1265 frame_close_y=162
xdotool type --delay 5 "select 1 -- an edit worth keeping"
xdotool key Escape
wait_for '^Unsaved changes$'
shot 21-escape-asks 0.5
xdotool key Escape # Cancel
sleep 0.5
xdotool mousemove "$close_me_x" "$close_me_y" click 1 # the window's own Close button
wait_for '^Unsaved changes$'
shot 22-close-button-asks 0.5
xdotool key Escape
sleep 0.5
xdotool mousemove "$frame_close_x" "$frame_close_y" click 1 # the frame's close button
wait_for '^Unsaved changes$'
shot 23-frame-asks 0.5
xdotool key alt+n # No: the edit goes, and so does the window
shot 24-closed-after-no

# The same for the script window of File > New Script, which offers the closed databases as no
# target, closed last by the window manager.
xdotool key alt+f
sleep 0.3
xdotool key n
wait_for '^SQL Script Editor'
sleep 0.5
xdotool type --delay 5 "select 2 -- another edit"
xdotool key Escape
wait_for '^Unsaved changes$'
shot 25-script-window-escape-asks 0.5
xdotool key Escape
sleep 0.5
xdotool mousemove 262 108 click 1 # its own Close button, the window centred on the screen
wait_for '^Unsaved changes$'
shot 26-script-window-close-button-asks 0.5
xdotool key Escape
sleep 0.5
xdotool key alt+F4
wait_for '^Unsaved changes$'
shot 27-script-window-frame-asks 0.5
xdotool key alt+n
shot 28-script-window-closed
if xdotool search --name '^SQL Script Editor' >/dev/null 2>&1; then
    echo "walkthrough: the script window is still open after No" >&2
    exit 1
fi

#!/usr/bin/env bash
# Find timed from outside, as a reader meets it: the viewer (Release) shows FILE, Ctrl+F opens
# the find bar, QUERY but its last character is typed, and then that character and BackSpace are
# sent in turn (each searches again). bench_keylatency times them from the key to the pane's last
# repaint (the match selected and in view) and to the last repaint at all (the count finished,
# as the bar says it a slice at a time).
#
#   bench/find.sh FILE QUERY [RUNS]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
file="$(realpath -- "$1")"
query="$2"
runs="${3:-20}"
bin="$root/build-bench/bin"

source "$root/bench/viewer_session.sh"
startViewer "$file"
sleep 2
xdotool windowactivate --sync "$window" key ctrl+f
sleep 0.5
xdotool type --delay 50 "${query%?}"
sleep 2
last="${query: -1}"
echo "$(basename "$file"), find \"$query\":"
echo "to the match selected and in view:"
"$bin/bench_keylatency" -n "$runs" -a 40000 "$window" "$last/BackSpace"
echo "to the count finished:"
"$bin/bench_keylatency" -n "$runs" "$window" "$last/BackSpace"

#!/usr/bin/env bash
# Times keys in the real viewer from outside, as a user meets them: the viewer (Release) opens
# FILE through its Open dialog, so that it can be edited, with Wrap on or off; bench_keylatency
# then sends each key and waits until the repaint it caused is seen, and the viewer's CPU time
# over 10 s of an idle window with a blinking caret is read from /proc. With LOAD=1 a busy loop
# keeps one of the cores occupied the whole time.
#
#   bench/keys.sh FILE [wrap|nowrap] [RUNS]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
file="$(realpath -- "$1")"
mode="${2:-wrap}"
runs="${3:-20}"
bin="$root/build-bench/bin"

source "$root/bench/viewer_session.sh"
printf '[User]\nmnuWrap=%s\n' "$([ "$mode" = wrap ] && echo 1 || echo 0)" >"$work/Zelvan RID Evodad.ini"
if [ "${LOAD:-0}" = 1 ]; then
    (while :; do :; done) &
    load=$!
fi

startViewer
sleep 1
xdotool mousemove --window "$window" 25 10 click 1 # Open
sleep 1.5
xdotool type --delay 2 "$file"
xdotool key Return
# Opened when the title names no dialog any more and the pane takes a click.
sleep 3
xdotool mousemove --window "$window" 300 400 click 1
sleep 0.5
xdotool key ctrl+End
sleep 1

echo "$(basename "$file"), $mode$([ -n "$load" ] && echo ", one core busy"):"
rss() { awk '/VmRSS/ { printf "%.1f", $2 / 1024 }' "/proc/$viewer/status"; }
opened=$(rss)
# Each pair ends where the document ends, where a walk from a line's start costs the most;
# typing is timed there and, where the bytes after it are the most to move, at the start.
"$bin/bench_keylatency" -n "$runs" "$window" ctrl+Home/ctrl+End Home/End Next/Prior Up/Down x BackSpace
ticks() { awk '{print $14 + $15}' "/proc/$viewer/stat"; }
hz=$(getconf CLK_TCK)
before=$(ticks)
sleep 10
after=$(ticks)
awk -v t=$((after - before)) -v hz="$hz" 'BEGIN { printf "idle at the end with a blinking caret: %.2f %% of a core over 10 s\n", 100 * t / hz / 10 }'
xdotool key ctrl+Home
sleep 0.5
echo "at the start of the document:"
"$bin/bench_keylatency" -n "$runs" "$window" x BackSpace
echo "memory: $opened MiB when opened, $(rss) MiB after the keys"

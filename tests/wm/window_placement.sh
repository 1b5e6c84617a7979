#!/usr/bin/env bash
# Starts the viewer again and again under a real window manager (openbox on a virtual X
# screen) and checks the window's outer rectangle, frame included: the same at every start,
# the designed 800 x 910 centred where it fits, shrunk into the screen where it does not.
# The offscreen platform has no frame, so only this shows those faults.
#
#   window_placement.sh VIEWER WIDTHxHEIGHT SCALE STARTS
# Exits 77 (skipped) when Xvfb or openbox is missing.
set -uo pipefail

viewer=$1 screen=$2 scale=$3 starts=$4
tools="xdotool xwininfo xprop"
source "$(dirname "$0")/virtual_screen.sh"
[ "$scale" = 1 ] || export QT_SCALE_FACTOR="$scale"

# The window's outer rectangle, frame included, as "x y width height" in screen pixels: the
# client's place and size widened by the frame the window manager announces.
outer() {
    local extents
    extents=$(xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= *//p' | tr -d ',')
    read -r left right top bottom <<<"${extents:-0 0 0 0}"
    xwininfo -id "$1" | awk -v l="$left" -v r="$right" -v t="$top" -v b="$bottom" '
        /Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
        /^  Width:/ {w=$NF} /^  Height:/ {h=$NF}
        END {print x - l, y - t, w + l + r, h + t + b}'
}
settings() {
    cat "$work/bin/Zelvan RID Evodad.ini" "$work/config/Zelvan RID Evodad/Zelvan RID Evodad.ini" \
        2>/dev/null | tr -d '\r' | grep -E '^(width|height)=' | tr '\n' ' '
}

# A document narrower than the pane, which the window has no need to widen for.
printf 'Release notes\r\nwww.narrow.example\r\n' >"$work/narrow.nfo"
first=""
for start in $(seq "$starts"); do
    "$program" "$work/narrow.nfo" >/dev/null 2>&1 &
    viewerPid=$!
    window=$(timeout 20 xdotool search --sync --onlyvisible --pid "$viewerPid" 2>/dev/null | head -1)
    [ -n "$window" ] || fail "start $start: no window appeared"
    # The window manager reports its frame late and the program places the window again then:
    # wait until the rectangle has held still for a second.
    sleep 1
    last="" steady=0
    for _ in $(seq 50); do
        now=$(outer "$window")
        if [ "$now" = "$last" ]; then steady=$((steady + 1)); else steady=0; fi
        last=$now
        [ $steady -ge 5 ] && break
        sleep 0.2
    done
    echo "start $start: outer $now, settings before exit: $(settings)"
    read -r x y w h <<<"$now"
    read -r sw sh <<<"${screen/x/ }"
    ((x >= 0 && y >= 0 && x + w <= sw && y + h <= sh)) || fail "start $start: $now is not on the $screen screen"
    if [ -z "$first" ]; then
        first=$now
    elif [ "$now" != "$first" ]; then
        fail "start $start: outer $now differs from the first start's $first"
    fi
    xdotool windowactivate --sync "$window" key Escape 2>/dev/null
    for _ in $(seq 50); do kill -0 "$viewerPid" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$viewerPid" 2>/dev/null && fail "start $start: Esc did not end the program"
    wait "$viewerPid"
done

# Where the designed size fits, it is the outer size, centred; the settings keep it either way.
read -r x y w h <<<"$first"
designW=$(awk -v s="$scale" 'BEGIN { printf "%d", 800 * s }')
designH=$(awk -v s="$scale" 'BEGIN { printf "%d", 910 * s }')
# At a fractional scale a logical size has no exact device size: two pixels either way.
off=0
[ "$designW" = "$((800 * ${scale%.*}))" ] || off=2
within() { (($1 - $2 <= off && $2 - $1 <= off)); }
if ((designW <= sw && designH <= sh)); then
    within "$w" "$designW" && within "$h" "$designH" ||
        fail "outer size $w x $h, not $designW x $designH"
    within "$x" "$(((sw - w) / 2))" && within "$y" "$(((sh - h) / 2))" || fail "$first is not centred"
else
    ((w <= sw && h <= sh)) || fail "$first does not fit the screen"
fi
[ "$(settings)" = "width=800 height=910 " ] || fail "the settings say '$(settings)'"
echo "PASSED: $starts starts on $screen at scale $scale, outer $first"

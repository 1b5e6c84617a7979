#!/usr/bin/env bash
# The real viewer on Wayland, as most desktops now start it: under weston's headless backend at
# scale 1 and 2, its window appears with the marquee caption scrolling and the art drawn (read
# back through the compositor's screenshooter: the same blocks, twice as large and still solid
# at scale 2); under weston on a virtual X screen, which gives the compositor a keyboard, the
# pane has the keyboard focus and Esc ends the viewer. wayland.py does the AT-SPI side.
#
#   wayland.sh VIEWER
# Exits 77 (skipped) where weston, the toolkit's Wayland plugin or a tool is missing.
set -uo pipefail

viewer=$1
for tool in weston weston-screenshooter Xvfb xdotool convert dbus-run-session; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIPPED: $tool is not installed (scripts/setup installs it)"
        exit 77
    fi
done
if ! compgen -G "$(qtpaths6 --query QT_INSTALL_PLUGINS 2>/dev/null)/platforms/libqwayland-*.so" \
    >/dev/null; then
    echo "SKIPPED: the toolkit's Wayland plugin is not installed (qt6-wayland; scripts/setup)"
    exit 77
fi
if [ ! -x /usr/libexec/at-spi-bus-launcher ] || ! /usr/bin/python3 -c 'import pyatspi' 2>/dev/null; then
    echo "SKIPPED: at-spi2-core or python3-pyatspi is not installed (scripts/setup installs them)"
    exit 77
fi

work=$(mktemp -d)
pids=()
cleanup() {
    # The compositor on the X screen before the screen.
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[$i]}" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAILED: $*"
    [ -f "$work/weston.log" ] && tail -5 "$work/weston.log"
    exit 1
}

mkdir -p "$work/bin" "$work/config" "$work/home" "$work/runtime" "$work/shots"
chmod 700 "$work/runtime"
cp "$viewer" "$work/bin/"
program="$work/bin/$(basename "$viewer")"
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime"
export QT_QPA_PLATFORM=wayland WAYLAND_DISPLAY=zelvan-test
unset DISPLAY XDG_DATA_HOME XDG_CACHE_HOME QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS

# Twelve rows of forty full blocks: drawn crisply, they are one solid green rectangle.
/usr/bin/python3 -c '
import sys
open(sys.argv[1], "wb").write(b"".join(b"\xdb" * 40 + b"\r\n" for _ in range(12)))
' "$work/blocks.nfo"

# weston with the given backend and options, until its socket is there.
startWeston() {
    rm -f "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY"
    weston --socket="$WAYLAND_DISPLAY" --idle-time=0 --debug --log="$work/weston.log" "$@" &
    weston=$!
    pids+=("$weston")
    for _ in $(seq 100); do [ -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" ] && break; sleep 0.1; done
    [ -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" ] || fail "weston did not start: $*"
}
stopWeston() {
    kill "$weston" 2>/dev/null
    wait "$weston" 2>/dev/null
}

# The largest patch of the text colour in a screenshot: its bounding box (WxH+X+Y) and how many
# of the pixels inside that are the colour. Within 1 %: at scale 2 weston's screenshots carry
# every colour, its own background's too, a level or two darker (the text colour 253 of 255).
greenPatch() {
    convert "$1" -fuzz 1% -fill black +opaque '#00FF00' -fill white -opaque '#00FF00' \
        -define connected-components:verbose=true -connected-components 4 null: |
        awk '$NF == "srgb(255,255,255)" { print $2, $4; exit }'
}

for scale in 1 2; do
    startWeston --backend=headless-backend.so --use-pixman --width=1280 --height=1024 \
        --scale="$scale"
    timeout 90 dbus-run-session -- /usr/bin/python3 "$(dirname "$0")/wayland.py" caption \
        "$program" "$work/blocks.nfo" "$work/shots" >"$work/log" 2>&1
    result=$?
    grep -v -e 'dbus-daemon' -e 'SpiRegistry' "$work/log"
    [ $result -eq 0 ] || exit $result
    shot=$(ls -t "$work/shots"/*.png 2>/dev/null | head -1)
    [ -n "$shot" ] || fail "no screenshot from the compositor at scale $scale"
    size=$(identify -format '%wx%h' "$shot")
    [ "$size" = "$((1280 * scale))x$((1024 * scale))" ] || fail "a $size screenshot at scale $scale"
    read -r box area <<<"$(greenPatch "$shot")"
    [ -n "$box" ] || fail "nothing in the text colour at scale $scale"
    echo "scale $scale: the blocks are drawn at $box, $area pixels of the text colour"
    boxes[$scale]=${box%%+*}
    read -r w h <<<"${boxes[$scale]/x/ }"
    [ "$area" -eq $((w * h)) ] || fail "the blocks are not one solid rectangle at scale $scale"
    rm -f "$work/shots"/*.png
    stopWeston
done
read -r w1 h1 <<<"${boxes[1]/x/ }"
read -r w2 h2 <<<"${boxes[2]/x/ }"
[ "$w1" -ge 320 ] && [ "$h1" -ge 120 ] || fail "the blocks are ${boxes[1]} at scale 1: not 40 x 12 cells"
[ "$w2" -eq $((2 * w1)) ] && [ "$h2" -eq $((2 * h1)) ] ||
    fail "the blocks are ${boxes[2]} at scale 2, not twice ${boxes[1]}"

# A compositor with a keyboard: weston on a virtual X screen, its keys sent there.
source "$(dirname "$0")/../wm/x_screen.sh"
startXScreen 1280x1024
releaseXScreens
startWeston --backend=x11-backend.so --use-pixman --width=1200 --height=1000
# Twice, so that the size the first run saved is the one the second starts at and saves again:
# the frame the toolkit draws itself on Wayland must not be added to it at each start, nor the
# window's unknown place written over the one the settings had.
settings="$work/bin/Zelvan RID Evodad.ini"
[ "$(id -u)" -eq 0 ] || settings="$work/config/Zelvan RID Evodad/Zelvan RID Evodad.ini"
sizes=()
for run in 1 2; do
    timeout 90 dbus-run-session -- /usr/bin/python3 "$(dirname "$0")/wayland.py" keys \
        "$program" "$work/blocks.nfo" "$work/shots" >"$work/log" 2>&1
    result=$?
    grep -v -e 'dbus-daemon' -e 'SpiRegistry' "$work/log"
    [ $result -eq 0 ] || exit $result
    [ -f "$settings" ] || fail "no settings saved at $settings"
    size=$(tr -d '\r' <"$settings" | awk -F= '/^(left|top|width|height)=/ { v[$1] = $2 }
        END { print v["width"] "x" v["height"] "+" v["left"] "+" v["top"] }')
    sizes+=("$size")
done
stopWeston
echo "saved sizes: ${sizes[*]}"
[ "${sizes[0]}" = "${sizes[1]}" ] || fail "the saved size changed from ${sizes[0]} to ${sizes[1]}"
# The place is the compositor's: the one the settings had (the default here) stays.
[ "${sizes[0]}" = "800x910+290+190" ] ||
    fail "the default size and place were saved as ${sizes[0]}, not 800x910+290+190"

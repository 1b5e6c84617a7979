#!/usr/bin/env bash
# The side panel hidden and shown again on the real program under a window manager, at start and
# after each way a document arrives (navigator.py says how it is driven and judged).
#
#   navigator.sh VIEWER DRAG_SOURCE
# Exits 77 (skipped) where the AT-SPI bus, its Python client or a display tool is missing.
set -uo pipefail

viewer=$1 dragSource=$2 screen=1280x1024
tools="xdotool dbus-run-session import"
if [ ! -x /usr/libexec/at-spi-bus-launcher ] || ! /usr/bin/python3 -c 'import pyatspi' 2>/dev/null; then
    echo "SKIPPED: at-spi2-core or python3-pyatspi is not installed (scripts/setup installs them)"
    exit 77
fi
source "$(dirname "$0")/virtual_screen.sh"

printf 'First\r\nhttp://first.example/a\r\n' >"$work/first.nfo"
printf '\xdb\xdb Opened \xdb\xdb\nwww.opened.example\n' >"$work/opened.nfo"
printf '\xc9\xcd\xbb Dropped\r\nhttps://dropped.example/B\r\n' >"$work/dropped.nfo"
timeout 150 dbus-run-session -- /usr/bin/python3 "$(dirname "$0")/navigator.py" "$program" \
    "$dragSource" "$work/first.nfo" "$work/opened.nfo" "$work/dropped.nfo" >"$work/log" 2>&1
result=$?
grep -v -e 'dbus-daemon' -e 'XDG_RUNTIME_DIR' -e 'SpiRegistry' "$work/log"
exit $result

#!/usr/bin/env bash
# The viewer as a screen reader meets it: AT-SPI on a private session bus, the real program on a
# virtual screen under openbox, and a client (screen_reader.py) that reads and edits the text.
#
#   screen_reader.sh VIEWER
# Exits 77 (skipped) where the AT-SPI bus, its Python client or a display tool is missing.
set -uo pipefail

viewer=$1 screen=1024x768
tools="xdotool dbus-run-session"
if [ ! -x /usr/libexec/at-spi-bus-launcher ] || ! /usr/bin/python3 -c 'import pyatspi' 2>/dev/null; then
    echo "SKIPPED: at-spi2-core or python3-pyatspi is not installed (scripts/setup installs them)"
    exit 77
fi
source "$(dirname "$0")/virtual_screen.sh"

# Art, words in brackets and a tab, in code page 437 with CR LF breaks.
printf '\xdb\xdb\xb1 Release [04-02-98] \xb1\xdb\xdb\r\nGreetings\tto all\r\n\xc9\xcd\xcd\xbb\r\n' \
    >"$work/release.nfo"
timeout 120 dbus-run-session -- /usr/bin/python3 "$(dirname "$0")/screen_reader.py" \
    "$program" "$work/release.nfo" >"$work/log" 2>&1
result=$?
grep -v -e 'dbus-daemon' -e 'XDG_RUNTIME_DIR' -e 'SpiRegistry' "$work/log"
exit $result

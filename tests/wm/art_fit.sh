#!/usr/bin/env bash
# The window fits a document's art, on the real program under a window manager (art_fit.py says
# how it is judged), on the 1280 x 1024 screen of a common laptop monitor.
#
#   art_fit.sh VIEWER
# Exits 77 (skipped) where the AT-SPI bus, its Python client or a display tool is missing.
set -uo pipefail

viewer=$1 screen=1280x1024
tools="xdotool xwininfo xprop dbus-run-session"
if [ ! -x /usr/libexec/at-spi-bus-launcher ] || ! /usr/bin/python3 -c 'import pyatspi' 2>/dev/null; then
    echo "SKIPPED: at-spi2-core or python3-pyatspi is not installed (scripts/setup installs them)"
    exit 77
fi
source "$(dirname "$0")/virtual_screen.sh"

/usr/bin/python3 - "$work" <<'PY'
import sys
work = sys.argv[1]
def frame(width, rows, name):
    inner = width - 2
    lines = [b"\xc9" + b"\xcd" * inner + b"\xbb"]
    lines += [b"\xba" + (b" \xdb\xdb\xb2\xb1\xb0 Release " * 20)[:inner] + b"\xba"] * rows
    lines += [b"\xba" + b" www.release.example/info".ljust(inner) + b"\xba",
              b"\xc8" + b"\xcd" * inner + b"\xbc"]
    open(f"{work}/{name}", "wb").write(b"\r\n".join(lines) + b"\r\n")
frame(84, 6, "art84.nfo")
frame(120, 6, "art120.nfo")
words = b"The quick release notes go on and on in prose without any art at all. "
open(f"{work}/prose.nfo", "wb").write(b"Notes\r\n" + (words * 5)[:300] + b"\r\n" + (words * 5)[:280] + b"\r\n")
PY
settings="$work/bin/Zelvan RID Evodad.ini"
[ "$(id -u)" -eq 0 ] || settings="$work/config/Zelvan RID Evodad/Zelvan RID Evodad.ini"
timeout 150 dbus-run-session -- /usr/bin/python3 "$(dirname "$0")/art_fit.py" "$program" \
    "$settings" "$work/art84.nfo" "$work/art120.nfo" "$work/prose.nfo" >"$work/log" 2>&1
result=$?
grep -v -e 'dbus-daemon' -e 'XDG_RUNTIME_DIR' -e 'SpiRegistry' "$work/log"
exit $result

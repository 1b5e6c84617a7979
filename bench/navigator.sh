#!/usr/bin/env bash
# The navigator at size and start-up from outside, for one build or several compared in one run
# (each BIN a folder with zelvan-rid-evodad and OrvelDesign.NFO; default build-bench/bin; the
# empty window is always this tree's build-bench/bin/bench_startup), in rounds taken in turn
# (default 11):
#   memory: the viewer's peak (VmHWM, once it has been idle for 3 s: its list filled and
#   measured) above an empty QMainWindow's, as a multiple of the document's size, on a 64 MiB
#   document with a distinct address on every line (1.2 million) and on the 64 MiB NFO with an
#   address every ten lines (120,000 distinct);
#   start-up: exec to the first frame holding the text colour (bench_firstframe, through X
#   DAMAGE, on a screen of its own without a window manager) of the viewer on the bundled
#   document and on the 64 MiB NFO, against exec to the first frame of an empty QMainWindow
#   painted in that colour (the first frame it paints itself: the window the server shows at the
#   map, before the program has drawn anything, is no frame of the program's).
#
#   bench/navigator.sh [RUNS [BIN...]]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
runs="${1:-11}"
shift || true
bins=("$@")
[ ${#bins[@]} -gt 0 ] || bins=("$root/build-bench/bin")
timer="$root/build-bench/bin/bench_firstframe"
work=$(mktemp -d)
server=""
cleanup() {
    [ -n "$server" ] && kill "$server" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
for i in "${!bins[@]}"; do
    mkdir -p "$work/bin$i"
    cp "${bins[$i]}/zelvan-rid-evodad" "${bins[$i]}/OrvelDesign.NFO" "$work/bin$i/"
done
mkdir -p "$work/home" "$work/runtime"
chmod 700 "$work/runtime"

python3 - "$work" <<'PY'
import sys
work = sys.argv[1]
size = 64 << 20
with open(work + "/addresses.nfo", "wb") as f:
    out, i = bytearray(), 0
    while len(out) < size:
        out += b"  \xdb\xb2 see http://www.site%07d.example/release/notes \xb2\xdb\r\n" % i
        i += 1
    f.write(out[:size])
lines = [b"  \xdb\xdb\xdb\xdb\xdf\xdf\xdb\xdb\xdc\xdc  \xb0\xb1\xb2\xdb  Release notes for this fine piece of software  \xdb\xb2\xb1\xb0\r\n",
         b" \xba  Supplier .....:\tsomeone     Cracker ....: nobody          \xba\r\n",
         b" \xc8" + b"\xcd" * 27 + b"\xbc  greetings to all\r\n"]
with open(work + "/nfo.nfo", "wb") as f:
    out, i = bytearray(), 0
    while len(out) < size:
        out += b"   more at http://www.group%06d.example/nfo/\r\n" % i if i % 10 == 9 else lines[i % 3]
        i += 1
    f.write(out[:size])
PY

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" 2>/dev/null &
server=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")" HOME="$work/home" QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work/runtime"
unset WAYLAND_DISPLAY
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

# The empty window's peak, then each viewer's on each document once it has settled.
empty=$(/usr/bin/time -f %M "$root/build-bench/bin/bench_startup" empty 2>&1 >/dev/null | tail -1)
echo "peak memory above an empty QMainWindow ($((empty / 1024)) MiB):"
for i in "${!bins[@]}"; do
    for doc in addresses nfo; do
        "$work/bin$i/zelvan-rid-evodad" "$work/$doc.nfo" >/dev/null 2>&1 &
        viewer=$!
        sleep 1
        previous=-1
        for _ in $(seq 60); do # until it has done nothing for 3 s
            sleep 3
            now=$(awk '{print $14 + $15}' "/proc/$viewer/stat")
            [ "$now" = "$previous" ] && break
            previous=$now
        done
        peak=$(awk '/VmHWM/ {print $2}' "/proc/$viewer/status")
        kill "$viewer"
        wait "$viewer" 2>/dev/null || true
        awk -v p="$peak" -v e="$empty" -v n="$doc" -v b="${bins[$i]}" 'BEGIN {
            printf "  %s, %s: %.1f MiB above, %.2f x the document\n", b, n, (p - e) / 1024, (p - e) / 1024 / 64 }'
    done
done

# Start-up: in each round the empty window, then each build on each document.
declare -A times
for _ in $(seq "$runs"); do
    times[empty]+="$(ZELVAN_SETTLE=20000 "$timer" -c 00ff00 "$root/build-bench/bin/bench_startup" empty) "
    for i in "${!bins[@]}"; do
        times[bundled$i]+="$("$timer" -c 00ff00 "$work/bin$i/zelvan-rid-evodad") "
        times[nfo$i]+="$("$timer" -c 00ff00 "$work/bin$i/zelvan-rid-evodad" "$work/nfo.nfo") "
    done
done
m() { printf '%s\n' ${times[$1]} | median; }
e=$(m empty)
echo "first frame from outside (X DAMAGE, medians of $runs rounds): empty QMainWindow $e ms"
for i in "${!bins[@]}"; do
    awk -v b="$(m bundled$i)" -v n="$(m nfo$i)" -v e="$e" -v d="${bins[$i]}" 'BEGIN {
        printf "  %s: bundled document %s ms (%.2f x), 64 MiB NFO %s ms (%.2f x)\n", d, b, b / e, n, n / e }'
done

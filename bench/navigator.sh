#!/usr/bin/env bash
# The navigator at size and start-up from outside, in rounds taken in turn (default 11):
#   memory: the viewer's peak (VmHWM, once its list is filled and measured and it has been idle
#   for 3 s) above an empty QMainWindow's, as a multiple of the document's size, on a 64 MiB
#   document with a distinct address on every line (1.2 million) and on the 64 MiB NFO with an
#   address every ten lines (120,000 distinct);
#   start-up: exec to the first frame holding the text colour (bench_firstframe, through X
#   DAMAGE, on a screen of its own without a window manager) of the viewer on the bundled
#   document and on the 64 MiB NFO, against exec to the first frame of an empty QMainWindow;
#   and bench/startup.sh's exec-to-exit of bench_startup on the same, which should agree.
#
#   bench/navigator.sh [RUNS]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bin="$root/build-bench/bin"
runs="${1:-11}"
work=$(mktemp -d)
server=""
cleanup() {
    [ -n "$server" ] && kill "$server" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/bin" "$work/home"
cp "$bin/zelvan-rid-evodad" "$bin/OrvelDesign.NFO" "$work/bin/"

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
export DISPLAY=":$(cat "$work/display")" HOME="$work/home" QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
mib() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }

# The empty window's peak, then the viewer's on each document once it has settled.
empty=$(/usr/bin/time -f %M "$bin/bench_startup" empty 2>&1 >/dev/null | tail -1)
echo "peak memory above an empty QMainWindow ($(mib "$empty") MiB):"
for doc in addresses nfo; do
    "$work/bin/zelvan-rid-evodad" "$work/$doc.nfo" >/dev/null 2>&1 &
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
    awk -v p="$peak" -v e="$empty" -v n="$doc" 'BEGIN { printf "  %s: %.1f MiB above, %.2f x the document\n", n, (p - e) / 1024, (p - e) / 1024 / 64 }'
done

# Start-up, the three in turn in each round.
times_empty=() times_bundled=() times_nfo=()
for _ in $(seq "$runs"); do
    times_empty+=("$(ZELVAN_SETTLE=20000 "$bin/bench_firstframe" "$bin/bench_startup" empty)")
    times_bundled+=("$("$bin/bench_firstframe" -c 00ff00 "$work/bin/zelvan-rid-evodad")")
    times_nfo+=("$("$bin/bench_firstframe" -c 00ff00 "$work/bin/zelvan-rid-evodad" "$work/nfo.nfo")")
done
e=$(printf '%s\n' "${times_empty[@]}" | median)
b=$(printf '%s\n' "${times_bundled[@]}" | median)
n=$(printf '%s\n' "${times_nfo[@]}" | median)
echo "first frame from outside (X DAMAGE, medians of $runs): empty QMainWindow $e ms"
awk -v b="$b" -v n="$n" -v e="$e" 'BEGIN { printf "  bundled document %s ms (%.2f x), 64 MiB NFO %s ms (%.2f x)\n", b, b / e, n, n / e }'
echo "bench/startup.sh (exec to exit after the first paint):"
"$root/bench/startup.sh" "$runs" | sed 's/^/  bundled: /'
"$root/bench/startup.sh" "$runs" "$work/nfo.nfo" | sed 's/^/  64 MiB NFO: /'

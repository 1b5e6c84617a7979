#!/usr/bin/env bash
# Times start-up to the first frame: the viewer against an empty QMainWindow, each started as a
# whole process the same way, N runs each (default 20) taken in turn; prints the medians and
# their ratio. Each process ends the moment the X server has its first painted frame, taking
# nothing down, so these times are bench_firstframe's (exec to that frame through DAMAGE, as
# bench/navigator.sh takes them) and a millisecond or two of the kernel ending the process.
# With a FILE the viewer opens it (bench/startup.sh 5 big.nfo: a large document from outside),
# and the viewer's peak memory is printed too.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bin="$root/build-bench/bin/bench_startup"
runs="${1:-20}"
document="${2:-}"

# One start, in microseconds.
once() {
    local t0 t1
    t0=$(date +%s%N)
    "$bin" "$@" >/dev/null 2>&1
    t1=$(date +%s%N)
    echo $(((t1 - t0) / 1000))
}
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi
"$bin" empty >/dev/null 2>&1 # warm the caches once for both
# The two in turn, so that whatever else the machine does weighs on both alike.
viewerTimes=() emptyTimes=()
for _ in $(seq "$runs"); do
    viewerTimes+=("$(once ${document:+"$document"})")
    emptyTimes+=("$(once empty)")
done
viewer=$(printf '%s\n' "${viewerTimes[@]}" | median)
empty=$(printf '%s\n' "${emptyTimes[@]}" | median)
if [ -n "$document" ]; then
    peak=$(/usr/bin/time -f %M "$bin" "$document" 2>&1 >/dev/null | tail -1)
    emptyPeak=$(/usr/bin/time -f %M "$bin" empty 2>&1 >/dev/null | tail -1)
    size=$(stat -c %s "$document")
    echo "peak memory: viewer on the document $((peak / 1024)) MiB, empty QMainWindow $((emptyPeak / 1024)) MiB, document $((size / 1048576)) MiB"
fi
echo "viewer median: $((viewer / 1000)) ms, empty QMainWindow median: $((empty / 1000)) ms"
awk -v a="$viewer" -v b="$empty" 'BEGIN { printf "ratio: %.2f\n", a / b }'

#!/usr/bin/env bash
# Times zelvan-rid-tool png of an 80 x 500 document and thumbnail of a 64 MiB one, as whole
# processes (the way a file manager runs a thumbnailer), N runs each (default 20); prints medians.
# Then time and peak memory of png on the inputs that once took gigabytes: 2 MB of 2,040-column
# lines, 8 KB of blocks at --scale 16, 24 KB of UTF-8 at --scale 16, the 80 x 500 at --scale 4.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
tool="$root/build-bench/bin/zelvan-rid-tool"
runs="${1:-20}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 - "$work" <<'PY'
import sys
art = b"\xdb\xdb\xb2\xb1\xb0  \xc9\xcd\xcd\xbb Release notes \xba\xdf\xdc\xdb"
line = (art * 4)[:80] + b"\r\n"
open(sys.argv[1] + "/small.nfo", "wb").write(line * 500)
open(sys.argv[1] + "/wide.nfo", "wb").write(((art * 100)[:2040] + b"\r\n") * 1000)
open(sys.argv[1] + "/blocks.nfo", "wb").write(b"\xdb\xb2\xb1\xb0" * 2048)
u = ("\u2554\u2550\u2557 \u00e9 \u00b8,\u00f8\u00a4\u00ba\u00b0 \u2588\u2593\u2592\u2591 Release " * 8)[:80]
open(sys.argv[1] + "/utf8.nfo", "wb").write(((u + "\r\n") * 200).encode("utf-8")[:24 * 1024])
with open(sys.argv[1] + "/big.nfo", "wb") as f:
    for _ in range(64 * 1024 * 1024 // len(line)):
        f.write(line)
PY

median() {
    local times=()
    for _ in $(seq "$runs"); do
        local t0 t1
        t0=$(date +%s%N)
        "$@" >/dev/null
        t1=$(date +%s%N)
        times+=($(((t1 - t0) / 1000)))
    done
    printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {printf "%.1f ms\n", a[int((NR+1)/2)] / 1000}'
}
"$tool" png "$work/small.nfo" -o "$work/warm.png" # the caches once
echo "png of 80 x 500: $(median "$tool" png "$work/small.nfo" -o "$work/small.png")"
echo "thumbnail of 64 MiB: $(median "$tool" thumbnail -s 256 "$work/big.nfo" "$work/thumb.png")"
peak() {
    /usr/bin/time -f "%e s, peak %M KB" "$@" 2>&1 >/dev/null | tail -1
}
echo "png of 2 MB of 2,040-column lines: $(peak "$tool" png "$work/wide.nfo" -o "$work/out.png")"
echo "png of 8 KB of blocks, --scale 16: $(peak "$tool" png "$work/blocks.nfo" --scale 16 -o "$work/out.png")"
echo "png of 24 KB of UTF-8, --scale 16: $(peak "$tool" png "$work/utf8.nfo" --scale 16 -o "$work/out.png")"
echo "png of 80 x 500, --scale 4: $(peak "$tool" png "$work/small.nfo" --scale 4 -o "$work/out.png")"

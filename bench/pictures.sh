#!/usr/bin/env bash
# Times zelvan-rid-tool png of an 80 x 500 document and thumbnail of a 64 MiB one, as whole
# processes (the way a file manager runs a thumbnailer), N runs each (default 20); prints medians.
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

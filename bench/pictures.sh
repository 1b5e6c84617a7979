#!/usr/bin/env bash
# Times zelvan-rid-tool png of an 80 x 500 document and thumbnail of a 64 MiB one, as whole
# processes (the way a file manager runs a thumbnailer), N runs each (default 20); prints medians.
# Then time and peak memory of png on the inputs that once took gigabytes: 2 MB of 2,040-column
# lines, 8 KB of blocks at --scale 16, 24 KB of UTF-8 at --scale 16, the 80 x 500 at --scale 4.
# Then png, svg, pdf and thumbnail over 60 NFO-like files (block art, tabs, 60 to 130 columns,
# 40 to 900 lines): the whole set's time and the largest peak; and each format of the 80 x 500 at
# --scale 4, of one 64 MiB line and of the 64 MiB document.
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
import random
random.seed(60)
pieces = [b"\xdb", b"\xb2", b"\xb1", b"\xb0", b"\xdc", b"\xdf", b"\xdd", b"\xde", b" ", b" ",
          b"\xc9\xcd\xcd\xbb", b"\xba", b"\xc8\xcd\xbc", b"\xc4\xc4", b"\xb3", b"\t"]
words = [b"Release", b"notes", b"www.group.example", b"[04-02-98]", b"Supplied by", b"CRACKED",
         b"greetings", b"to", b"everyone", b":", b"....", b"Size"]
import os
os.makedirs(sys.argv[1] + "/sixty")
for n in range(60):
    width = random.randint(60, 130)
    rows = []
    for _ in range(random.randint(40, 900)):
        row = b""
        art = random.random() < 0.5
        while len(row) < width - 12:
            row += random.choice(pieces) * random.randint(1, 6) if art else random.choice(words) + b" "
        rows.append(row[:width])
    open("%s/sixty/%02d.nfo" % (sys.argv[1], n), "wb").write(b"\r\n".join(rows) + b"\r\n")
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

# The whole set once per format, as a script working over a collection runs it.
each() {
    local format=$1 worst=0 t0 t1 kb
    t0=$(date +%s%N)
    for f in "$work"/sixty/*.nfo; do
        if [ "$format" = thumbnail ]; then
            kb=$(/usr/bin/time -f %M "$tool" thumbnail -s 256 "$f" "$work/out.png" 2>&1 >/dev/null | tail -1)
        else
            kb=$(/usr/bin/time -f %M "$tool" "$format" "$f" -o "$work/out.$format" 2>&1 >/dev/null | tail -1)
        fi
        [ "$kb" -gt "$worst" ] && worst=$kb
    done
    t1=$(date +%s%N)
    echo "$format of the 60 files: $(((t1 - t0) / 1000000)) ms in all, peak at most $worst KB"
}
for format in png svg pdf thumbnail; do each "$format"; done
for format in svg pdf; do # png's is above
    echo "$format of 80 x 500, --scale 4: $(peak "$tool" "$format" "$work/small.nfo" --scale 4 -o "$work/out.$format")"
done
python3 -c "import sys; sys.stdout.buffer.write((b'\\xdb\\xb2 text \\xc9\\xcd\\xbb\\t' * 5000000)[:64 << 20])" >"$work/line.nfo"
for format in png svg pdf; do
    echo "$format of one 64 MiB line: $(peak "$tool" "$format" "$work/line.nfo" -o "$work/out.$format"), $(($(stat -c %s "$work/out.$format") / 1048576)) MiB written"
    rm -f "$work/out.$format"
    echo "$format of 64 MiB: $(peak "$tool" "$format" "$work/big.nfo" -o "$work/out.$format"), $(($(stat -c %s "$work/out.$format") / 1048576)) MiB written"
    rm -f "$work/out.$format"
done

#!/usr/bin/env bash
# ANSI art timed from outside, N runs each (default 15), taken in turn: a 1 MiB piece with
# 100,000 sequences (colours, cursor moves, blocks and shades) on screen from exec to the first
# frame (bench_startup), against the same bytes shown as code page 437 (every ESC made 0x1C, so
# nothing draws); and zelvan-rid-tool png of the piece against the png of a plain code page 437
# document of the cells it draws (the same picture size). Prints the medians and their ratios.
#
#   bench/ansi.sh [RUNS]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bin="$root/build-bench/bin"
runs="${1:-15}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 - "$work" <<'PY'
import random, sys
random.seed(1)
cells = b"\xdb\xb2\xb1\xb0\xdc\xdf\xdd\xde "
out, column, sequences = bytearray(), 0, 0
while len(out) < 1 << 20:
    if random.random() < 0.05:
        move = random.randint(1, 6)
        out += b"\x1b[%dC" % move
        column += move
    elif random.random() < 0.3:
        out += b"\x1b[%dm" % random.randint(30, 37)
    else:
        out += b"\x1b[%d;%d;%dm" % (random.randint(0, 1), random.randint(30, 37), random.randint(40, 47))
        for _ in range(random.randint(1, 2)):
            out += bytes([random.choice(cells)])
            column += 1
    if len(out) <= 1 << 20:
        sequences += 1
    if column >= 80:
        out += b"\r\n"
        column = 0
open(sys.argv[1] + "/piece.nfo", "wb").write(out[: 1 << 20])
open(sys.argv[1] + "/plain.nfo", "wb").write(out[: 1 << 20].replace(b"\x1b", b"\x1c"))
print("piece: %d bytes, %d sequences" % (1 << 20, sequences), file=sys.stderr)
PY
"$bin/zelvan-rid-tool" text "$work/piece.nfo" |
    python3 -c 'import sys; sys.stdout.buffer.write(sys.stdin.read().replace("\n", "\r\n").encode("cp437"))' \
        >"$work/cells.nfo"

ms() { # one run of a command, in milliseconds
    local t0 t1
    t0=$(date +%s%N)
    "$@" >/dev/null 2>&1
    t1=$(date +%s%N)
    echo $(((t1 - t0) / 1000000))
}
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
compare() { # label, then the two commands separated by --
    local label=$1 a=() b=() first=() second=() seen=0
    shift
    for word in "$@"; do
        if [ "$word" = -- ]; then seen=1; elif [ $seen = 0 ]; then first+=("$word"); else second+=("$word"); fi
    done
    "${first[@]}" >/dev/null 2>&1 || true # warm the caches for both
    for _ in $(seq "$runs"); do
        a+=("$(ms "${first[@]}")")
        b+=("$(ms "${second[@]}")")
    done
    local ma mb
    ma=$(printf '%s\n' "${a[@]}" | median)
    mb=$(printf '%s\n' "${b[@]}" | median)
    echo "$label: $ma ms against $mb ms, ratio $(awk -v a="$ma" -v b="$mb" 'BEGIN { printf "%.2f", a / b }')"
}

if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi
compare "on screen, the piece as ANSI art against its bytes as code page 437" \
    "$bin/bench_startup" "$work/piece.nfo" -- "$bin/bench_startup" "$work/plain.nfo"
compare "png, the piece against a plain document of its cells" \
    "$bin/zelvan-rid-tool" png "$work/piece.nfo" -o "$work/piece.png" -- \
    "$bin/zelvan-rid-tool" png "$work/cells.nfo" -o "$work/cells.png"
echo "pictures: $(file -b "$work/piece.png"), $(file -b "$work/cells.png")"

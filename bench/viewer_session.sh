# Sourced by the outside timers (keys.sh, find.sh): a display (a virtual one under xvfb-run when
# there is none) with a window manager on it, a folder of its own for the Release viewer (its
# settings go beside it when run as root), and startViewer ARGS..., which starts the viewer
# there and sets viewer (its pid) and window (its id). Needs root and bin set; sets work and
# load (a busy loop's pid, for the caller to start), and ends what it started on exit.
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1600x1200x24" "$0" "$@"
fi
# A window manager on this display (another display's does not count).
xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' ||
    { openbox >/dev/null 2>&1 & sleep 1; }

work=$(mktemp -d)
load=""
viewer=""
cleanup() {
    [ -n "$viewer" ] && kill "$viewer" 2>/dev/null || true
    [ -n "$load" ] && kill "$load" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
cp "$bin/zelvan-rid-evodad" "$bin/OrvelDesign.NFO" "$work/"

startViewer() {
    HOME="$work" "$work/zelvan-rid-evodad" "$@" >/dev/null 2>&1 &
    viewer=$!
    window=""
    for _ in $(seq 100); do
        window=$(xdotool search --pid "$viewer" --name "Zelvan RID" 2>/dev/null | head -1 || true)
        [ -n "$window" ] && break
        sleep 0.1
    done
    [ -n "$window" ] || { echo "$(basename "$0"): the viewer showed no window" >&2; exit 1; }
}

# Sourced by the window-manager tests: a virtual X screen of $screen with openbox on it, and a
# program folder of its own for the viewer (a root run keeps its settings beside the program).
# Needs viewer and screen set; sets work, program and DISPLAY, and kills what it started on exit.
# Exits 77 (skipped) when one of the tools in $tools is missing.
for tool in Xvfb openbox ${tools:-}; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIPPED: $tool is not installed (scripts/setup installs it)"
        exit 77
    fi
done

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAILED: $*"
    exit 1
}

mkdir -p "$work/bin" "$work/config" "$work/home"
cp "$viewer" "$work/bin/"
cp "$(dirname "$viewer")/OrvelDesign.NFO" "$work/bin/" 2>/dev/null
program="$work/bin/$(basename "$viewer")"

# One test at a time picks a display and brings its window manager up: a server trying a
# display number can clear the socket file another has there, and the tests start side by side
# (twice a display vanished under a test started beside others). A server that lost its last
# client would reset, dropping whoever connects at that moment: it never does.
exec 9>"${TMPDIR:-/tmp}/zelvan-rid-evodad-screens.lock"
flock -w 60 9 || fail "another test held the virtual screens for a minute"
Xvfb -displayfd 3 -screen 0 "${screen}x24" -nolisten tcp -noreset 3>"$work/display" 2>/dev/null 9>&- &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(cat "$work/display")"
# Windows mapped while openbox is still starting are taken over without the frame being
# announced to them, so the first start waits until openbox says it is up.
openbox --startup "touch '$work/wm-ready'" >/dev/null 2>&1 9>&- &
pids+=($!)
for _ in $(seq 200); do [ -e "$work/wm-ready" ] && break; sleep 0.1; done
[ -e "$work/wm-ready" ] || fail "openbox did not start"
exec 9>&-

export HOME="$work/home" XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=xcb
unset XDG_DATA_HOME XDG_CACHE_HOME WAYLAND_DISPLAY

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

source "$(dirname "${BASH_SOURCE[0]}")/x_screen.sh"
startXScreen "$screen"
# Windows mapped while openbox is still starting are taken over without the frame being
# announced to them, so the first start waits until openbox says it is up.
openbox --startup "touch '$work/wm-ready'" >/dev/null 2>&1 9>&- &
pids+=($!)
for _ in $(seq 200); do [ -e "$work/wm-ready" ] && break; sleep 0.1; done
[ -e "$work/wm-ready" ] || fail "openbox did not start"
releaseXScreens

export HOME="$work/home" XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=xcb
unset XDG_DATA_HOME XDG_CACHE_HOME WAYLAND_DISPLAY

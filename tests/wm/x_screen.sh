# Sourced by the tests that need a virtual X screen. Needs work (a folder of the test's own),
# pids (what to end at exit) and fail.
#
# One test at a time picks a display and brings up what it needs there: a server trying a
# display number can clear the socket file another has there, and the tests start side by side
# (twice a display vanished under a test started beside others). A server that lost its last
# client would reset, dropping whoever connects at that moment: it never does.

# Xvfb at SIZE (WxH) on a free display, exported as DISPLAY; the other tests wait until
# releaseXScreens.
startXScreen() {
    exec 9>"${TMPDIR:-/tmp}/zelvan-rid-evodad-screens.lock"
    flock -w 60 9 || fail "another test held the virtual screens for a minute"
    Xvfb -displayfd 3 -screen 0 "${1}x24" -nolisten tcp -noreset 3>"$work/display" 2>/dev/null 9>&- &
    pids+=($!)
    for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
    [ -s "$work/display" ] || fail "Xvfb did not start"
    export DISPLAY=":$(cat "$work/display")"
}

releaseXScreens() {
    exec 9>&-
}

# Sourced: start_xvfb starts Xvfb on a free display and exports DISPLAY and
# XVFB_PID; stop_xvfb ends it. XVFB_SCREEN sets the screen (default
# 1024x768x24). Xvfb picks the display itself (-displayfd), so that X servers
# started at the same moment, by this run or another, never share one. It
# runs in a session of its own, holding none of the caller's files: a test
# that ctest ends takes no X server with it that other tests use
# (cmake/wine-session.sh).
start_xvfb() {
    local answer waited=0
    answer=$(mktemp)
    setsid Xvfb -displayfd 3 -screen 0 "${XVFB_SCREEN:-1024x768x24}" -nolisten tcp 3>"$answer" </dev/null >/dev/null 2>&1 &
    XVFB_PID=$!
    until [ -s "$answer" ]; do
        if ! kill -0 "$XVFB_PID" 2>/dev/null || [ $waited -gt 100 ]; then
            echo "xvfb: Xvfb did not come up" >&2
            rm -f "$answer"
            return 1
        fi
        sleep 0.1
        waited=$((waited + 1))
    done
    DISPLAY=":$(cat "$answer")"
    export DISPLAY XVFB_PID
    rm -f "$answer"
}

stop_xvfb() {
    [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null || true
    [ -n "${XVFB_PID:-}" ] && wait "$XVFB_PID" 2>/dev/null || true
}

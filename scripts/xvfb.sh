# Sourced: start_xvfb starts Xvfb on a free display and exports DISPLAY and
# XVFB_PID; stop_xvfb ends it. XVFB_SCREEN sets the screen (default
# 1024x768x24). Xvfb picks the display itself (-displayfd), so that X servers
# started at the same moment, by this run or another, never share one. It
# runs in a session of its own, holding none of the caller's files: a test
# that ctest ends takes no X server with it that other tests use
# (cmake/wine-session.sh). When it does not come up, start_xvfb says why:
# how it ended, and what it printed.
start_xvfb() {
    local answer log waited=0 status
    answer=$(mktemp) && log=$(mktemp) || return
    setsid Xvfb -displayfd 3 -screen 0 "${XVFB_SCREEN:-1024x768x24}" -nolisten tcp 3>"$answer" </dev/null >"$log" 2>&1 &
    XVFB_PID=$!
    until [ -s "$answer" ]; do
        if ! kill -0 "$XVFB_PID" 2>/dev/null; then
            wait "$XVFB_PID"
            status=$?
            echo "xvfb: Xvfb ended with exit status $status before it named its display; it printed:" >&2
            tail -n 20 "$log" >&2
            rm -f "$answer" "$log"
            return 1
        fi
        if [ $waited -gt 100 ]; then
            echo "xvfb: Xvfb (process $XVFB_PID) named no display within 10 s; it printed:" >&2
            tail -n 20 "$log" >&2
            kill "$XVFB_PID" 2>/dev/null
            rm -f "$answer" "$log"
            return 1
        fi
        sleep 0.1
        waited=$((waited + 1))
    done
    DISPLAY=":$(cat "$answer")"
    export DISPLAY XVFB_PID
    # Xvfb writes on into the removed file, which goes when it ends.
    rm -f "$answer" "$log"
}

stop_xvfb() {
    [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null || true
    [ -n "${XVFB_PID:-}" ] && wait "$XVFB_PID" 2>/dev/null || true
}

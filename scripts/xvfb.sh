# Sourced: start_xvfb picks a free display, starts Xvfb on it and exports
# DISPLAY; stop_xvfb ends it. XVFB_SCREEN sets the screen (default 1024x768x24).
start_xvfb() {
    local display=90
    while [ -e "/tmp/.X${display}-lock" ] || [ -e "/tmp/.X11-unix/X${display}" ]; do
        display=$((display + 1))
    done
    Xvfb ":$display" -screen 0 "${XVFB_SCREEN:-1024x768x24}" -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    local waited=0
    until xdpyinfo -display ":$display" >/dev/null 2>&1; do
        sleep 0.1
        waited=$((waited + 1))
        if [ $waited -gt 100 ]; then
            echo "xvfb: display :$display did not come up" >&2
            return 1
        fi
    done
    export DISPLAY=":$display"
}

stop_xvfb() {
    [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null || true
    [ -n "${XVFB_PID:-}" ] && wait "$XVFB_PID" 2>/dev/null || true
}

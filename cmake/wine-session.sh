#!/bin/bash
# The servers that the Windows tests of one build run on: for each desktop
# that ctest gives a test (cmake/wine-desktops.json; a slot here, named by its
# kind and id), an Xvfb of its own, and a wineserver for its prefix that
# serves the whole run.
# cmake/wine-run.sh starts them when a test first needs them; the tests
# wine_session_start and wine_session_stop (tests/CMakeLists.txt), the setup
# and the cleanup of the fixture every Windows test requires, end them.
#
# Usage: wine-session.sh stop BUILD_DIR
#   ends every Xvfb and wineserver of the build's session, and the wineservers
#   that the listing of the tests started, and forgets them.
# Sourced by wine-run.sh: session_display and session_serve.
#
# They are started in sessions of their own (setsid), holding none of the
# test's files open: a test that ctest ends at its timeout takes its own
# processes with it, never the servers the other tests use.

source "$(dirname "${BASH_SOURCE[0]}")/../scripts/xvfb.sh"

# session_display SESSION SLOT: prints the display of the slot's Xvfb,
# starting it when it does not run. Fails saying why.
session_display() {
    local session=$1 slot=$2
    mkdir -p "$session" || return
    (
        flock 9 || exit
        pid=$(cat "$session/slot$slot.xvfb" 2>/dev/null)
        [ -s "$session/slot$slot.display" ] && [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null && exit 0
        start_xvfb 9>&- || exit
        echo "$XVFB_PID" >"$session/slot$slot.xvfb" &&
            echo "$DISPLAY" >"$session/slot$slot.display"
    ) 9>"$session/slot$slot.lock" || {
        echo "wine-session: no X server for the desktop $slot (exit status $?)" >&2
        return 1
    }
    cat "$session/slot$slot.display"
}

# session_serve SESSION WINE...: a wineserver for WINEPREFIX that stays for
# the run, its services started (on DISPLAY) by a first program. Their
# output goes to a log of the prefix's in the session (a test's output would
# stay open for as long as they run), whose end a failure shows with the
# command and its exit status.
session_serve() {
    local session=$1
    shift
    mkdir -p "$session" || return
    (
        flock 9 || exit
        grep -qxF "$WINEPREFIX" "$session/servers" 2>/dev/null && exit 0
        log=$session/$(basename "$WINEPREFIX").log
        # A server that the listing of the tests started ends by itself.
        wineserver -w 9>&-
        serve_step() {
            "$@" </dev/null >>"$log" 2>&1 9>&-
            local status=$?
            [ $status -eq 0 ] && return 0
            echo "wine-session: starting the wineserver of $WINEPREFIX: '$*' failed with exit status $status; $log ends:" >&2
            tail -n 20 "$log" >&2
            return $status
        }
        serve_step setsid wineserver -p &&
            serve_step setsid "$@" cmd /c exit &&
            echo "$WINEPREFIX" >>"$session/servers"
    ) 9>"$WINEPREFIX.serve-lock"
}

# session_listed SESSION: notes WINEPREFIX as one the listing of the tests
# used, whose server the stop ends too.
session_listed() {
    mkdir -p "$1" && echo "$WINEPREFIX" >>"$1/listed"
}

session_stop() {
    local session=$1/wine-session prefix pidfile pid i waited
    [ -d "$session" ] || return 0
    # All at once: each takes its processes a second to end.
    while read -r prefix; do
        (WINEPREFIX=$prefix wineserver -k 2>/dev/null && WINEPREFIX=$prefix wineserver -w) &
    done < <(cat "$session/servers" "$session/listed" 2>/dev/null | sort -u)
    wait
    # Each Xvfb takes two seconds to end, so they too end together.
    local xvfbs=()
    for pidfile in "$session"/slot*.xvfb; do
        [ -f "$pidfile" ] || continue
        pid=$(cat "$pidfile")
        kill "$pid" 2>/dev/null && xvfbs+=("$pid")
    done
    waited=0
    while [ ${#xvfbs[@]} -gt 0 ] && [ $waited -lt 50 ]; do
        sleep 0.1
        waited=$((waited + 1))
        for i in "${!xvfbs[@]}"; do
            kill -0 "${xvfbs[$i]}" 2>/dev/null || unset "xvfbs[$i]"
        done
    done
    rm -rf "$session"
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    case ${1:-} in
        stop) [ $# -eq 2 ] || { echo "usage: wine-session.sh stop BUILD_DIR" >&2; exit 2; }
              session_stop "$2" ;;
        *) echo "usage: wine-session.sh stop BUILD_DIR" >&2; exit 2 ;;
    esac
fi

#!/bin/bash
# Installs what is missing, then builds and runs every test: natively, natively
# under AddressSanitizer and UndefinedBehaviorSanitizer, and the Windows
# programs and tests under wine inside a virtual X server. Ends with the time
# each part took.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
bash scripts/check-commands.sh

jobs=$(nproc)
status=0
times=()

run_preset() {  # preset [command to run before the tests]
    local preset=$1 before_tests=${2:-true} start=$SECONDS unnamed
    echo "=== $preset: configure and build"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$jobs" >/dev/null
    $before_tests
    # A case of a parameterized test is named in words, so that a failing
    # one says which it is.
    unnamed=$(ctest --preset "$preset" -N | grep -E '^ *Test +#[0-9]+: .*(GetParam|/[0-9]+$)' || true)
    if [ -n "$unnamed" ]; then
        echo "=== $preset: test cases without a readable name:"
        echo "$unnamed"
        status=1
    fi
    echo "=== $preset: tests"
    ctest --preset "$preset" -j "$jobs" || status=1
    times+=("$preset $((SECONDS - start)) s")
}

run_preset native
run_preset native-sanitize

# The window tests need a display; a private Xvfb serves them. One wineserver
# per prefix serves the whole run, so that no wine process has to start one,
# or meets one that is shutting down. The display scale tests have a prefix
# of their own, made at 144 DPI (tests/scale/CMakeLists.txt).
source scripts/xvfb.sh
prefix=$PWD/build/windows/wineprefix
scale_prefix=$PWD/build/windows/wineprefix-144dpi
start_wineserver() {
    cmake/wine-run.sh "$prefix" cmd /c exit >/dev/null 2>&1
    cmake/wine-run.sh --dpi 144 "$scale_prefix" cmd /c exit >/dev/null 2>&1
    for p in "$prefix" "$scale_prefix"; do
        WINEPREFIX=$p wineserver -w
        WINEPREFIX=$p wineserver -p
        # The prefix's services start with the first program and, the server
        # staying, never end: started by a test's discovery they would hold
        # its output open until ctest gives up on it.
        cmake/wine-run.sh "$p" cmd /c exit >/dev/null 2>&1
    done
}
finish() {
    for p in "$prefix" "$scale_prefix"; do
        WINEPREFIX=$p wineserver -k 2>/dev/null || true
    done
    stop_xvfb
}
start_xvfb
trap finish EXIT
run_preset windows start_wineserver

echo "=== time (build and tests): ${times[*]/%/,} whole command $SECONDS s"
exit $status

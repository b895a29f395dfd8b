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

run_preset() {
    local preset=$1 start=$SECONDS unnamed
    echo "=== $preset: configure and build"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$jobs" >/dev/null
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

# The window tests need a display; a private Xvfb serves them.
source scripts/xvfb.sh
start_xvfb
trap stop_xvfb EXIT
run_preset windows

echo "=== time (build and tests): ${times[*]/%/,} whole command $SECONDS s"
exit $status

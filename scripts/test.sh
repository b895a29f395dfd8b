#!/bin/bash
# Installs what is missing, then builds and runs every test: natively, natively
# under AddressSanitizer and UndefinedBehaviorSanitizer, and the Windows
# programs and tests under wine inside a virtual X server.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

jobs=$(nproc)
status=0

run_preset() {
    local preset=$1
    echo "=== $preset: configure and build"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$jobs" >/dev/null
    echo "=== $preset: tests"
    ctest --preset "$preset" -j "$jobs" || status=1
}

run_preset native
run_preset native-sanitize

# The window tests need a display; a private Xvfb serves them.
source scripts/xvfb.sh
start_xvfb
trap stop_xvfb EXIT
run_preset windows

exit $status

#!/bin/bash
# Installs what is missing, then builds and runs every test: natively, natively
# under AddressSanitizer and UndefinedBehaviorSanitizer, and the Windows
# programs and tests under wine inside virtual X servers. Ends with the time
# each part took.
#
# The Windows programs are built for x86 and for x64; which of them run
# depends on the machine, as the first line says. Where it runs 32-bit code,
# the x86 programs run the whole Windows suite and, at the same time, the x64
# programs the system tests and the checks of their resources and package.
# Where it runs none, or with MORVANE_WINDOWS_ARCH=x64, the x64 programs run
# the whole suite, and the x86 programs are built and their resources and
# package checked, not run.
#
# Everything else is ctest's: the X servers, wine prefixes and wineservers of
# the Windows tests are its fixtures and resources (tests/CMakeLists.txt,
# cmake/wine-run.sh), so that `ctest --preset windows-x64 -R ...` runs any of
# them alone. The native parts run beside the Windows ones, whose tests
# mostly wait for wine.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
source scripts/wine.sh
windows_arch_choose
if [ "$WINDOWS_ARCH" = x86 ]; then
    echo "=== windows: $WINDOWS_ARCH_REASON: the x86 programs run the whole Windows suite, the x64 programs its system, resource and package tests"
else
    echo "=== windows: $WINDOWS_ARCH_REASON: the x64 programs run the whole Windows suite; the x86 programs are built and their resources checked, but not run"
fi
bash scripts/check-commands.sh

jobs=$(nproc)
scratch=$(mktemp -d)
# A part still running when the command fails ends with it; ctest ends the
# servers of its tests itself.
trap 'kill $(jobs -p) 2>/dev/null || true; wait; rm -rf "$scratch"' EXIT

build_preset() {  # preset [target...]
    local preset=$1
    shift
    echo "=== $preset: configure and build${1:+ ($*)}"
    cmake --preset "$preset" >/dev/null &&
        cmake --build --preset "$preset" -j "$jobs" ${1:+--target "$@"} >/dev/null
}

# timed NAME COMMAND...: runs a part, whose time goes to the last line; one
# that fails fails the command after the others have run.
timed() {
    local name=$1 start=$SECONDS
    shift
    "$@" || echo "$name" >>"$scratch/failed"
    echo "$name $((SECONDS - start)) s" >>"$scratch/times"
}

native() {  # preset
    build_preset "$1" && echo "=== $1: tests" && ctest --preset "$1" -j "$jobs"
}
native_parts() {
    timed native native native
    timed native-sanitize native native-sanitize
}
# Parts in the background print after the others. The native parts run from
# the start, beside the Windows builds and tests, and take only the time the
# processor has left over from them (nice): the Windows part is the longest,
# and its configuring, linking and listing of tests keep one core busy, its
# tests waiting for wine a fifth of the time.
beside=()
start_native_parts() {
    (renice -n 19 -p $BASHPID >/dev/null && native_parts) >"$scratch/native.log" 2>&1 &
    beside+=($!)
}

# Where 32-bit code runs: the x86 suite, and beside it, once the x86 programs
# that its resource test reads are built, the x64 build's own tests.
windows_suite() {
    build_preset windows || return
    timed windows-x64 windows_x64_beside_windows >"$scratch/windows-x64.log" 2>&1 &
    beside+=($!)
    # Two at a time, with the x64 tests beside: three runs of wine at once.
    echo "=== windows: tests"
    ctest --preset windows -j 2
}
windows_x64_beside_windows() {
    build_preset windows-x64 system_tests code_page_tests resource_tests package_tests &&
        echo "=== windows-x64: tests (-L 'system|resources|package')" &&
        ctest --preset windows-x64 -L 'system|resources|package' -j 1
}
# Where it runs none: the x86 programs, whose resources the x64 resource test
# reads, and their package, built beside the x64 build; then the x64 suite.
windows_package() {
    build_preset windows check_program create_program manager_program &&
        echo "=== windows: the x86 package (its programs' resources are checked by the x64 resource test)" &&
        ctest --preset windows -L package
}
windows_x64_suite() {
    build_preset windows-x64 || return
    wait "$x86_programs" || true
    echo "=== windows-x64: tests"
    ctest --preset windows-x64
}

start_native_parts
if [ "$WINDOWS_ARCH" = x86 ]; then
    timed windows windows_suite
else
    timed windows windows_package >"$scratch/windows.log" 2>&1 &
    x86_programs=$!
    beside+=($!)
    timed windows-x64 windows_x64_suite
fi
for pid in "${beside[@]}"; do wait "$pid" || true; done
for log in "$scratch"/*.log; do
    echo "=== $(basename "$log" .log), beside the others:"
    cat "$log"
done

echo "=== time (build and tests): $(paste -sd, "$scratch/times" | sed 's/,/, /g'), whole command $SECONDS s"
if [ -s "$scratch/failed" ]; then
    echo "=== failed: $(paste -sd' ' "$scratch/failed")"
    exit 1
fi

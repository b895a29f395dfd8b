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
status=0
times=()
scratch=$(mktemp -d)
source scripts/xvfb.sh

build_preset() {  # preset [target...]
    local preset=$1
    shift
    echo "=== $preset: configure and build${1:+ ($*)}"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$jobs" ${1:+--target "$@"} >/dev/null
}

# A case of a parameterized test is named in words, so that a failing one
# says which it is. Under wine, listing the tests runs their discovery.
check_case_names() {  # preset [ctest argument...]
    local preset=$1 unnamed
    shift
    unnamed=$(ctest --preset "$preset" -N "$@" | grep -E '^ *Test +#[0-9]+: .*(GetParam|/[0-9]+$)' || true)
    if [ -n "$unnamed" ]; then
        echo "=== $preset: test cases without a readable name:"
        echo "$unnamed"
        status=1
    fi
}

run_native() {  # preset
    local start=$SECONDS
    build_preset "$1"
    check_case_names "$1"
    echo "=== $1: tests"
    ctest --preset "$1" -j "$jobs" || status=1
    times+=("$1 $((SECONDS - start)) s")
}

# The window tests of a build run in two ctest runs at once, each on a
# display of its own with prefixes of its own (cmake/wine-run.sh,
# MORVANE_WINE_SHARD): they mostly wait for wine, and two take about half the
# time of one.
shards=2
shard_prefix() {  # prefix shard: the prefix that shard's runs use
    if [ "$2" -eq 1 ]; then echo "$1"; else echo "$1-shard$2"; fi
}

# The wine prefixes of the Windows tests, made in the background from the
# start, while the native parts build and run (a prefix needs no display to
# be made). The display scale tests have a prefix of their own, made at
# 144 DPI (tests/scale/CMakeLists.txt), and so have the package tests, which
# install the MSI (tests/package/CMakeLists.txt).
x86_prefix=$PWD/build/windows/wineprefix
x64_prefix=$PWD/build/windows-x64/wineprefix
making=()
make_prefixes() {  # arch shards prefix [--dpi N]
    local arch=$1 shard_count=$2 prefix=$3 shard
    shift 3
    for shard in $(seq "$shard_count"); do
        wine_quietly --arch "$arch" "$@" "$(shard_prefix "$prefix" "$shard")" cmd /c exit &
        making+=($!)
    done
}
if [ "$WINDOWS_ARCH" = x86 ]; then
    make_prefixes x86 $shards "$x86_prefix"
    make_prefixes x86 $shards "$x86_prefix-144dpi" --dpi 144
    make_prefixes x86 $shards "$x86_prefix-package"
    # The x64 programs run no display scale test here, in one ctest run.
    make_prefixes x64 1 "$x64_prefix"
    make_prefixes x64 1 "$x64_prefix-package"
else
    make_prefixes x64 $shards "$x64_prefix"
    make_prefixes x64 $shards "$x64_prefix-144dpi" --dpi 144
    make_prefixes x64 $shards "$x64_prefix-package"
fi
prefixes_failed=
prefixes_made() {
    local pid
    for pid in "${making[@]}"; do wait "$pid" || prefixes_failed=1; done
    making=()
    [ -z "$prefixes_failed" ]
}

# One wineserver per prefix serves the whole run, so that no wine process has
# to start one, or meets one that is shutting down.
served=()
serve_prefixes() {  # prefix...
    local prefix
    for prefix in "$@"; do
        WINEPREFIX=$prefix wineserver -w
        WINEPREFIX=$prefix wineserver -p
        served+=("$prefix")
        # The prefix's services start with the first program and, the server
        # staying, never end: started by a test's discovery they would hold
        # its output open until ctest gives up on it.
        wine_quietly "$prefix" cmd /c exit
    done
}
finish() {
    local prefix
    for prefix in "${served[@]}"; do
        WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
    done
    served=()
    stop_xvfb
}
# Parts still running in the background when the command fails end too,
# each with its own servers.
trap 'kill $(jobs -p) 2>/dev/null || true; finish; rm -rf "$scratch"' EXIT

# One ctest run of a build's Windows tests, shard SHARD of SHARDS, on a
# private Xvfb with its own prefixes served.
run_shard() {  # preset shard shards prefix... -- [ctest argument...]
    local preset=$1 shard=$2 shard_count=$3 prefixes=() shard_name=
    shift 3
    while [ "$1" != -- ]; do
        prefixes+=("$(shard_prefix "$1" "$shard")")
        shift
    done
    shift
    [ "$shard" -eq 1 ] || shard_name=$shard
    start_xvfb
    serve_prefixes "${prefixes[@]}"
    # The first lists the tests, and so runs their discovery, before the
    # others start: then no run rewrites a list while another reads it.
    if [ "$shard" -eq 1 ]; then
        check_case_names "$preset" "$@"
        touch "$scratch/$preset.listed"
    fi
    until [ -e "$scratch/$preset.listed" ]; do
        kill -0 $$ 2>/dev/null || return 1
        sleep 1
    done
    MORVANE_WINE_SHARD=$shard_name ctest --preset "$preset" -j "$jobs" -I "$shard,,$shard_count" "$@" || status=1
    finish
}

# The Windows tests of a build in SHARDS ctest runs at once; the first one's
# output as it comes, the others' after it.
windows_tests() {  # preset shards prefix... [-- ctest argument...]
    local preset=$1 shard_count=$2 prefixes=() shard pids=()
    shift 2
    while [ $# -gt 0 ] && [ "$1" != -- ]; do
        prefixes+=("$1")
        shift
    done
    [ $# -eq 0 ] || shift
    if ! prefixes_made; then
        echo "=== $preset: the wine prefixes could not be made (see above); its Windows tests do not run"
        status=1
        return
    fi
    if [ "$shard_count" -eq 1 ]; then
        echo "=== $preset: tests${1:+ ($*)}"
    else
        echo "=== $preset: tests${1:+ ($*)}, in $shard_count ctest runs at once"
    fi
    for shard in $(seq 2 "$shard_count"); do
        (
            trap finish EXIT
            run_shard "$preset" "$shard" "$shard_count" "${prefixes[@]}" -- "$@"
            exit $status
        ) >"$scratch/$preset.$shard.log" 2>&1 &
        pids+=($!)
    done
    run_shard "$preset" 1 "$shard_count" "${prefixes[@]}" -- "$@"
    for shard in $(seq 2 "$shard_count"); do
        wait "${pids[$((shard - 2))]}" || status=1
        echo "=== $preset: tests, ctest run $shard of $shard_count"
        cat "$scratch/$preset.$shard.log"
    done
}

run_native native
run_native native-sanitize

if [ "$WINDOWS_ARCH" = x86 ]; then
    start=$SECONDS
    build_preset windows
    # Waited for here, where they were started, so that the part in the
    # background knows too.
    prefixes_made || true
    # Beside the x86 tests: the x64 build, then its tests. Its output follows
    # theirs.
    (
        start=$SECONDS
        trap finish EXIT
        build_preset windows-x64 system_tests code_page_tests resource_tests package_tests
        windows_tests windows-x64 1 "$x64_prefix" "$x64_prefix-package" -- -L 'system|resources|package'
        echo "windows-x64 $((SECONDS - start)) s" >"$scratch/windows-x64.time"
        exit $status
    ) >"$scratch/windows-x64.log" 2>&1 &
    x64_part=$!
    windows_tests windows $shards "$x86_prefix" "$x86_prefix-144dpi" "$x86_prefix-package"
    times+=("windows $((SECONDS - start)) s")
    wait $x64_part || status=1
    echo "=== windows-x64, beside the x86 tests:"
    cat "$scratch/windows-x64.log"
    times+=("$(cat "$scratch/windows-x64.time" 2>/dev/null || echo "windows-x64 did not finish") (beside windows)")
else
    # The x86 programs' directory, for the x64 resource test, where the x86
    # one cannot run (a Windows path on wine's drive Z:, which is the root of
    # the file system).
    x86_programs=$PWD/build/windows/bin
    export MORVANE_X86_PROGRAMS="Z:${x86_programs//\//\\}"
    start=$SECONDS
    build_preset windows check_program create_program manager_program
    echo "=== windows: the x86 package (its programs' resources are checked by the x64 resource test)"
    ctest --preset windows -L package || status=1
    times+=("windows $((SECONDS - start)) s")
    start=$SECONDS
    build_preset windows-x64
    windows_tests windows-x64 $shards "$x64_prefix" "$x64_prefix-144dpi" "$x64_prefix-package"
    times+=("windows-x64 $((SECONDS - start)) s")
fi

echo "=== time (build and tests): ${times[*]/%/,} whole command $SECONDS s"
exit $status

#!/bin/bash
# Runs a Windows program under wine in a prefix of the project's own.
# Usage: wine-run.sh [--arch x86|x64] [--dpi N] [--variant NAME] [--window-manager] [--quiet] PREFIX program.exe [arguments...]
#        wine-run.sh --arch x86|x64 --loader-runs
# The second form tells whether this machine runs that wine at all: it prints
# wine's version, or the error that ends it (a 32-bit loader where the
# machine runs no 32-bit code: exit status 126; one not installed: 127), and
# exits with its status.
# The prefix is made on first use, with the settings the options give then:
#   --arch x86|x64      32-bit programs in a 32-bit prefix, or 64-bit ones in a
#                       64-bit prefix (default: what the prefix was made for,
#                       x86 for a new one)
#   --dpi N             the display scale (LogPixels N; 96 is 100 %, 144 is 150 %)
#   --window-manager    windows left to the X server's window manager. Without
#                       it they are unmanaged: the project's own X servers have
#                       no window manager, and wine would wait 2 s for one at
#                       every top-level window's close.
#   --quiet             the program's output kept aside and shown, after the
#                       command and its exit status, only when it fails
#   --variant NAME      for a test: PREFIX-NAME, a prefix of its own beside
#                       PREFIX (the display scale tests' at 144 DPI, the
#                       package tests'); the listing of a test program's
#                       tests takes PREFIX itself
# Run by ctest as a test's emulator with one of the desktops of
# cmake/wine-desktops.json (CTEST_RESOURCE_GROUP_0 names its kind, desktop or
# a variant's, and CTEST_RESOURCE_GROUP_0_<KIND> its id, "id:N,slots:1"), a
# program runs on that desktop's own Xvfb in its own prefix, the prefix with
# -slotN added for N above 0, and each prefix keeps one wineserver for the
# run: tests that run at once share no display, no keyboard focus and no
# server (cmake/wine-session.sh, which also ends them after the run). The listing
# of a test program's tests (--gtest_list_tests), which ctest runs before
# any test, starts no server of the run, and its output goes through a file.
# The system code page for programs that are not Unicode is 936 (GBK), or
# the one of the locale MORVANE_WINE_LOCALE names (en_US.UTF-8 gives 1252,
# zh_TW.UTF-8 950, hi_IN.UTF-8 65001). wine takes it from the locale's name,
# but names files in the locale's character set, which only a generated
# locale has (scripts/setup.sh generates these four).
# When wine cannot start, this says so with the command and its error, and
# ends with wine's exit status.
set -u
usage() {
    echo "usage: wine-run.sh [--arch x86|x64] [--dpi N] [--variant NAME] [--window-manager] [--quiet] PREFIX program.exe [arguments...]" >&2
    echo "       wine-run.sh --arch x86|x64 --loader-runs" >&2
    exit 2
}
arch=
dpi=
managed=N
loader_runs=
quiet=
variant=
while [ $# -gt 0 ]; do
    case $1 in
        --arch) [ $# -ge 2 ] || usage; arch=$2; shift 2 ;;
        --dpi) [ $# -ge 2 ] || usage; dpi=$2; shift 2 ;;
        --variant) [ $# -ge 2 ] || usage; variant=$2; shift 2 ;;
        --window-manager) managed=Y; shift ;;
        --loader-runs) loader_runs=1; shift ;;
        --quiet) quiet=1; shift ;;
        *) break ;;
    esac
done
[ -n "$loader_runs" ] || [ $# -ge 2 ] || usage
prefix=${1:-}
shift
listing=
slot=
case " $* " in
    *" --gtest_list_tests "*) listing=1 ;;
esac
if [ -n "$listing" ]; then
    variant=
    dpi=
elif [ -n "${CTEST_RESOURCE_GROUP_0:-}" ]; then
    allocated=CTEST_RESOURCE_GROUP_0_${CTEST_RESOURCE_GROUP_0^^}
    desktop=${!allocated:-id:0}
    desktop=${desktop#id:}
    desktop=${desktop%%,*}
    slot=$CTEST_RESOURCE_GROUP_0$desktop
fi
session=
if [ -n "$prefix" ]; then
    session=$(dirname "$prefix")/wine-session
    [ -z "$variant" ] || prefix=$prefix-$variant
    [ -z "$slot" ] || [ "$desktop" = 0 ] || prefix=$prefix-slot$desktop
fi
ready=$prefix/.morvane-prefix-ready
# The marker holds the prefix's kind; one made before it held none was x86.
made_for=
[ -n "$prefix" ] && [ -f "$ready" ] && { made_for=$(cat "$ready"); made_for=${made_for:-x86}; }
arch=${arch:-${made_for:-x86}}
if [ -n "$made_for" ] && [ "$made_for" != "$arch" ]; then
    echo "wine-run: $prefix is a prefix for $made_for programs, not $arch; remove it to make it anew" >&2
    exit 2
fi
# The loaders themselves: /usr/bin/wine takes the 32-bit one whenever it is
# installed, even where the machine cannot run it.
case $arch in
    x86) loader=/usr/lib/wine/wine; export WINEARCH=win32 ;;
    x64) loader=/usr/lib/wine/wine64; export WINEARCH=win64 ;;
    *) echo "wine-run: --arch takes x86 or x64, not '$arch'" >&2; exit 2 ;;
esac

# Before LC_ALL below, so that the shell's own error is in the caller's
# language. A few milliseconds: wine only prints its version.
loader_output=$("$loader" --version 2>&1)
status=$?
if [ -n "$loader_runs" ]; then
    echo "$loader_output"
    exit $status
fi
if [ $status -ne 0 ]; then
    echo "wine-run: cannot run $* in $prefix: '$loader --version' failed with exit status $status: $loader_output" >&2
    exit $status
fi

# The loaders without address randomization. Debian builds wine without its
# preloader, which would keep the address of Windows' shared user data,
# 0x7ffe0000, free for it. The kernel starts a program's heap at a random
# place of the 1 GiB after the program (32 MiB for a 32-bit one), and wine64
# lies at 0x7d000000: about one start in 5,000 its first 132 KiB of heap
# cover that address, and the process ends before its program runs, with
# "failed to map the shared user data: c0000018". Without randomization the
# heap starts right after the loader, 48 MiB below. The setting passes to
# every process the program starts. Where the machine forbids it (some
# container profiles refuse the personality call), wine runs as it is.
wine_command=("$loader")
if setarch -R true 2>/dev/null; then
    wine_command=(setarch -R "$loader")
fi

export WINELOADER=$loader
export WINEPREFIX=$prefix
# wine's own errors, not its notes of what it leaves unimplemented: a
# program that does not start says why.
export WINEDEBUG=-all,err+all
export LC_ALL=${MORVANE_WINE_LOCALE:-zh_CN.UTF-8}
# wine's Recycle Bin is the XDG trash of XDG_DATA_HOME: a prefix of the
# project's own has a bin of its own, so that what its programs delete fills
# no user's trash. The one on the user's own display (--window-manager)
# keeps the user's, where the user looks for a deleted card. wine makes the
# bin's folders, but not the one they lie in.
if [ "$managed" = N ]; then
    export XDG_DATA_HOME=$prefix/xdg-data
    mkdir -p "$XDG_DATA_HOME" || exit
fi
# No menu builder: wine starts it for every shortcut a program saves, to
# copy it into the Linux desktop's menus, and it outlives the program. Once it
# hung, holding the test's output open, and ctest waited 13 minutes for it.
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"

# quietly WHAT COMMAND...: runs the command with its output kept aside (in a
# file: the prefix's services, started by its first program, keep a pipe
# open); on failure shows what it was doing, the command, its exit status and
# the end of that output.
quietly() {
    local what=$1 output status
    shift
    output=$(mktemp)
    "$@" >"$output" 2>&1
    status=$?
    if [ $status -ne 0 ]; then
        echo "wine-run: $what: '$*' failed with exit status $status:" >&2
        tail -n 20 "$output" >&2
    fi
    rm -f "$output"
    return $status
}

# boot_prefix WHAT: makes WINEPREFIX a new prefix of windows that the
# window manager manages or not, and waits until its wineserver has ended.
# The prefix's RunServices key would start the menu builder, disabled above,
# with each wineserver's first program, whose output, a test listing's among
# them, would then hold wine's error for it: the key goes.
boot_prefix() {
    quietly "$1" "${wine_command[@]}" wineboot -i &&
        quietly "$1" "${wine_command[@]}" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d "$managed" /f &&
        quietly "$1" "${wine_command[@]}" reg delete 'HKLM\Software\Microsoft\Windows\CurrentVersion\RunServices' \
            /v winemenubuilder /f &&
        wineserver -w
}

# A test's prefix is a copy of a pristine one that the build's first test
# prefix makes (3 s, where wineboot takes 13, busy most of them): the tests
# take six.
if [ ! -f "$ready" ]; then
    mkdir -p "$prefix" || exit 1
    (
        flock 9
        [ ! -f "$ready" ] || exit 0
        what="making the $arch prefix $prefix"
        if [ -n "$session" ] && [ "$managed" = N ] && { [ -n "$slot" ] || [ -n "$listing" ]; }; then
            pristine=$(dirname "$prefix")/wineprefix-pristine-$arch
            (
                flock 8
                [ ! -f "$pristine/.morvane-prefix-ready" ] || exit 0
                rm -rf "$pristine" && mkdir -p "$pristine" &&
                    WINEPREFIX=$pristine boot_prefix "$what" &&
                    echo "$arch" >"$pristine/.morvane-prefix-ready"
            ) 8>"$pristine.lock" 9>&- || exit
            cp -a "$pristine/." "$prefix/" || exit
            rm -f "$ready"
        else
            boot_prefix "$what" || exit
        fi
        if [ -n "$dpi" ]; then
            quietly "$what" "${wine_command[@]}" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f || exit
            wineserver -w
        fi
        echo "$arch" >"$ready"
    ) 9>"$prefix.lock" || exit
fi
source "$(dirname "${BASH_SOURCE[0]}")/wine-session.sh"
if [ -n "$slot" ]; then
    DISPLAY=$(session_display "$session" "$slot") || {
        echo "wine-run: cannot run $* in $prefix: the desktop $slot has no X server" >&2
        exit 1
    }
    export DISPLAY
    session_serve "$session" "${wine_command[@]}" || {
        echo "wine-run: cannot run $* in $prefix: its wineserver did not start" >&2
        exit 1
    }
elif [ -n "$listing" ]; then
    session_listed "$session"
    output=$(mktemp)
    "${wine_command[@]}" "$@" >"$output" 2>&1
    status=$?
    cat "$output"
    rm -f "$output"
    [ $status -eq 0 ] || echo "wine-run: listing the tests: '${wine_command[*]} $*' in $prefix ended with exit status $status" >&2
    exit $status
fi
if [ -n "$quiet" ]; then
    quietly "running in $prefix" "${wine_command[@]}" "$@"
    exit
fi
if [ -z "$slot" ]; then
    exec "${wine_command[@]}" "$@"
fi
# A test: ctest's "Failed" names no exit status.
"${wine_command[@]}" "$@"
status=$?
[ $status -eq 0 ] || echo "wine-run: '${wine_command[*]} $*' in $prefix on $DISPLAY ended with exit status $status" >&2
exit $status

#!/bin/bash
# Runs a Windows program under wine in the build tree's own prefix.
# Usage: wine-run.sh PREFIX program.exe [arguments...]
# The prefix is made on first use; the ANSI code page is 936 (GBK).
set -u
prefix=$1
shift
export WINEPREFIX=$prefix
export WINEDEBUG=-all
export LC_ALL=zh_CN.UTF-8
export WINEDLLOVERRIDES="mscoree,mshtml=${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"
export WINEARCH=win32
if [ ! -f "$prefix/.morvane-ready" ]; then
    mkdir -p "$prefix"
    (
        flock 9
        if [ ! -f "$prefix/.morvane-ready" ]; then
            wineboot -i >/dev/null 2>&1
            wineserver -w
            touch "$prefix/.morvane-ready"
        fi
    ) 9>"$prefix.lock"
fi
exec wine "$@"

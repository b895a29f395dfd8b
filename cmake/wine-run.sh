#!/bin/bash
# Runs a Windows program under wine in a prefix of the project's own.
# Usage: wine-run.sh [--dpi N] [--window-manager] PREFIX program.exe [arguments...]
# The prefix is made on first use, with the settings the options give then:
#   --dpi N             the display scale (LogPixels N; 96 is 100 %, 144 is 150 %)
#   --window-manager    windows left to the X server's window manager. Without
#                       it they are unmanaged: the project's own X servers have
#                       no window manager, and wine would wait 2 s for one at
#                       every top-level window's close.
# The system code page for programs that are not Unicode is 936 (GBK), or
# the one of the locale MORVANE_WINE_LOCALE names (en_US.UTF-8 gives 1252,
# zh_TW.UTF-8 950, hi_IN.UTF-8 65001): wine takes it from the locale's name,
# which need not be generated.
set -u
dpi=
managed=N
while [ $# -gt 0 ]; do
    case $1 in
        --dpi) dpi=$2; shift 2 ;;
        --window-manager) managed=Y; shift ;;
        *) break ;;
    esac
done
prefix=$1
shift
export WINEPREFIX=$prefix
export WINEDEBUG=-all
export LC_ALL=${MORVANE_WINE_LOCALE:-zh_CN.UTF-8}
export WINEDLLOVERRIDES="mscoree,mshtml=${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"
export WINEARCH=win32
ready=$prefix/.morvane-prefix-ready
if [ ! -f "$ready" ]; then
    mkdir -p "$prefix"
    (
        flock 9
        if [ ! -f "$ready" ]; then
            wineboot -i >/dev/null 2>&1
            wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d "$managed" /f >/dev/null 2>&1
            if [ -n "$dpi" ]; then
                wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
            fi
            wineserver -w
            touch "$ready"
        fi
    ) 9>"$prefix.lock"
fi
exec wine "$@"

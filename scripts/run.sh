#!/bin/bash
# Installs what is missing, builds the Windows programs, lays out a program
# directory with a sample card in the build tree and starts Morvane under
# wine on your display. Without a display it takes a picture of each window
# inside a private Xvfb instead (scripts/pictures.sh), into the build tree,
# and ends.
# The x86 programs run where the machine runs 32-bit code, else the x64 ones
# (scripts/wine.sh; MORVANE_WINDOWS_ARCH=x64 takes them anywhere).
# MORVANE_BUILD_DIR chooses another build tree (default build/windows, or
# build/windows-x64 for the x64 programs).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash scripts/setup.sh
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
    echo "run: no display; taking pictures of the windows inside a private Xvfb"
    MORVANE_SETUP_DONE=1 exec bash scripts/pictures.sh
fi
source scripts/wine.sh
windows_arch_choose
build=${MORVANE_BUILD_DIR:-$root/build/$WINDOWS_PRESET}
echo "run: $WINDOWS_ARCH_REASON: the $WINDOWS_ARCH programs of $build"
source scripts/program-directory.sh
program_directory_build "$build" "$WINDOWS_PRESET"
# On your display the window manager frames the windows: a prefix of its own.
source scripts/wine-desktop.sh
prefix=$build/wineprefix-desktop
wine_desktop_prefix "$prefix" --arch "$WINDOWS_ARCH" --window-manager
echo "run: starting $PROGRAM_DIRECTORY/Morvane.exe"
cd "$PROGRAM_DIRECTORY"
exec "$root/cmake/wine-run.sh" "$prefix" "$PROGRAM_DIRECTORY/Morvane.exe"

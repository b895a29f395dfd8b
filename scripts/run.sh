#!/bin/bash
# Installs what is missing, builds the Windows programs, lays out a program
# directory with a sample card in the build tree and starts Morvane under
# wine on your display. Without a display it takes a picture of each window
# inside a private Xvfb instead (scripts/pictures.sh), into the build tree,
# and ends.
# MORVANE_BUILD_DIR chooses another build tree (default build/windows).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash scripts/setup.sh
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
    echo "run: no display; taking pictures of the windows inside a private Xvfb"
    exec bash scripts/pictures.sh
fi
build=${MORVANE_BUILD_DIR:-$root/build/windows}
source scripts/program-directory.sh
program_directory_build "$build"
# On your display the window manager frames the windows: a prefix of its own.
source scripts/wine-desktop.sh
prefix=$build/wineprefix-desktop
wine_desktop_prefix "$prefix" --window-manager
echo "run: starting $PROGRAM_DIRECTORY/Morvane.exe"
cd "$PROGRAM_DIRECTORY"
exec "$root/cmake/wine-run.sh" "$prefix" "$PROGRAM_DIRECTORY/Morvane.exe"

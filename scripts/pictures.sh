#!/bin/bash
# Pictures of the three windows, each on a wine virtual desktop (which draws
# the title bar) inside a private Xvfb: the manager with the sample card
# selected and the pointer on the query button, the query window answering
# B3 E7 H2, the editor in edit mode on the sample card.
# Usage: scripts/pictures.sh [--dpi N] [DIRECTORY]
#   DIRECTORY  where the pictures go (default build/windows/pictures);
#              `bash scripts/pictures.sh docs/images` refreshes the README's
#   --dpi N    the display scale of the wine prefix (default 96, 144 = 150 %);
#              the pictures are then named manager-Ndpi.png and so on
# The x86 programs are pictured where the machine runs 32-bit code, else the
# x64 ones (scripts/wine.sh; MORVANE_WINDOWS_ARCH=x64 takes them anywhere).
# MORVANE_BUILD_DIR chooses another build tree (default build/windows, or
# build/windows-x64 for the x64 programs).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

dpi=96
if [ "${1:-}" = --dpi ]; then
    dpi=${2:?pictures: --dpi takes a number, 144 for 150 %}
    shift 2
fi
case $dpi in
    ''|*[!0-9]*) echo "pictures: --dpi takes a number of dots per inch, not '$dpi'" >&2; exit 2 ;;
esac

# Started by run.sh, which has run the setup and said what it could not do.
[ -n "${MORVANE_SETUP_DONE:-}" ] || bash scripts/setup.sh
source scripts/wine.sh
windows_arch_choose
build=${MORVANE_BUILD_DIR:-$root/build/$WINDOWS_PRESET}
echo "pictures: $WINDOWS_ARCH_REASON: the $WINDOWS_ARCH programs of $build"
pictures=$(realpath -m "${1:-$build/pictures}")
suffix=
[ "$dpi" = 96 ] || suffix=-${dpi}dpi

source scripts/program-directory.sh
program_directory_build "$build" "$WINDOWS_PRESET"
source scripts/wine-desktop.sh
prefix=$build/wineprefix-pictures$suffix
wine_desktop_prefix "$prefix" --arch "$WINDOWS_ARCH" --dpi "$dpi"

# Each window opens at (50, 50) of a desktop that holds the largest of them,
# the editor, at this scale; the screen holds the desktop.
desktop=$(( 560 * dpi / 96 ))x$(( 480 * dpi / 96 ))
XVFB_SCREEN=$(( 560 * dpi / 96 > 1024 ? 560 * dpi / 96 : 1024 ))x$(( 480 * dpi / 96 > 768 ? 480 * dpi / 96 : 768 ))x24
start_xvfb
scratch=$(mktemp -d)
finish() {
    wine_desktop_close "$prefix"
    stop_xvfb
    rm -rf "$scratch"
}
trap finish EXIT
mkdir -p "$pictures"

# Client-area pixels of the layouts, scaled, to screen pixels: each window
# opens at (50, 50), its frame 3 and its caption 19 pixels at 96 DPI.
screen_x() { echo $(( 50 + (3 + $1) * dpi / 96 )); }
screen_y() { echo $(( 50 + (22 + $1) * dpi / 96 )); }

start() {  # title, program, arguments...
    local title=$1
    shift
    wine_desktop_start "$prefix" shot "$desktop" "$PROGRAM_DIRECTORY" "$@"
    wine_desktop_wait_for_window "$title" || exit 1
    WINDOW=$(xdotool search --name "^$title\$" | head -n 1)
}

# Waits until every control is painted, then saves the window as it is.
shoot() {  # picture name
    local width height output=$pictures/$1$suffix.png
    wine_desktop_settle 0.3 "$scratch/still.png"
    width=$(xwininfo -id "$WINDOW" | sed -n 's/^ *Width: //p')
    height=$(xwininfo -id "$WINDOW" | sed -n 's/^ *Height: //p')
    wine_desktop_crop "$scratch/still.png" "$width" "$height" "$output"
    echo "pictures: saved $output"
    wine_desktop_close "$prefix"
}

start "Morvane 1.0" Morvane.exe
xdotool mousemove "$(screen_x 40)" "$(screen_y 12)" click 1
xdotool mousemove "$(screen_x 291)" "$(screen_y 199)"
shoot manager

start "$SAMPLE_CARD" check.exe "$SAMPLE_CARD"
# A click into the first box first: a key typed before the window has given
# that box the focus would be lost.
xdotool mousemove "$(screen_x 26)" "$(screen_y 42)" click 1
xdotool type --delay 80 B3E7H2
xdotool key Return
shoot check

start "编辑密保卡 - 密保卡：$SAMPLE_CARD" create.exe -e "$SAMPLE_CARD"
shoot create

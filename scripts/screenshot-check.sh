#!/bin/bash
# Saves a picture of the query window answering a query.
# Usage: scripts/screenshot-check.sh [BIN_DIR] [OUTPUT.png]
#   BIN_DIR    the built programs (default build/windows/bin)
#   OUTPUT.png default docs/images/check.png
# The query window runs in a wine virtual desktop inside a private Xvfb, in a
# prefix of its own (scripts/wine-desktop.sh). The query B3 E7 H2 is typed as
# X key events, as a user types it.
set -euo pipefail
cd "$(dirname "$0")/.."
bin_dir=$(realpath "${1:-build/windows/bin}")
output=$(realpath -m "${2:-docs/images/check.png}")
card_name=网上银行

[ -f "$bin_dir/check.exe" ] || { echo "no check.exe in $bin_dir" >&2; exit 1; }

source scripts/wine-desktop.sh
wine_desktop_picture_session "$bin_dir/../wineprefix-screenshot" "$bin_dir/check.exe" "$card_name"
prefix=$wine_desktop_session_prefix
scratch=$WINE_DESKTOP_DIRECTORY

wine_desktop_start "$prefix" shot 800x600 "$scratch" check.exe "$card_name"
wine_desktop_wait_for_window "$card_name" || { echo "the query window did not appear" >&2; exit 1; }

xdotool type --delay 120 "B3E7H2"
xdotool key Return

# The answer and every control painted.
wine_desktop_settle 0.3 "$scratch/still.png"
wine_desktop_crop "$scratch/still.png" 157 160 "$output"
echo "saved $output"

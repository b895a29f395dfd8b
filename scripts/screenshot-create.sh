#!/bin/bash
# Saves a picture of the card editor in edit mode.
# Usage: scripts/screenshot-create.sh [BIN_DIR] [OUTPUT.png]
#   BIN_DIR    the built programs (default build/windows/bin)
#   OUTPUT.png default docs/images/create.png
# The editor runs in a wine virtual desktop inside a private Xvfb, in a
# prefix of its own (scripts/wine-desktop.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
bin_dir=$(realpath "${1:-build/windows/bin}")
output=$(realpath -m "${2:-docs/images/create.png}")
card_name=网上银行

[ -f "$bin_dir/create.exe" ] || { echo "no create.exe in $bin_dir" >&2; exit 1; }

source scripts/wine-desktop.sh
wine_desktop_picture_session "$bin_dir/../wineprefix-screenshot" "$bin_dir/create.exe" "$card_name"
prefix=$wine_desktop_session_prefix
scratch=$WINE_DESKTOP_DIRECTORY

title="编辑密保卡 - 密保卡：$card_name"
wine_desktop_start "$prefix" shot 540x490 "$scratch" create.exe -e "$card_name"
wine_desktop_wait_for_window "$title" || { echo "the editor window did not appear" >&2; exit 1; }
# The first paint of every control finished.
wine_desktop_settle 0.2 "$scratch/still.png"
wine_desktop_crop "$scratch/still.png" 433 384 "$output"
echo "saved $output"

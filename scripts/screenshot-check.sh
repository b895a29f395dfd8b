#!/bin/bash
# Saves a picture of the query window answering a query.
# Usage: scripts/screenshot-check.sh [BIN_DIR] [OUTPUT.png]
#   BIN_DIR    the built programs (default build/windows/bin)
#   OUTPUT.png default docs/images/check.png
# The query window runs in a wine virtual desktop inside a private Xvfb, so
# that it gets a title bar without a window manager; the WenQuanYi Micro Hei
# font (Debian package fonts-wqy-microhei) is linked into a prefix of its
# own, so the Chinese texts show. The query B3 E7 H2 is typed as X key
# events, as a user types it.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
bin_dir=$(realpath "${1:-build/windows/bin}")
output=$(realpath -m "${2:-docs/images/check.png}")
font=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
card_name=网上银行

[ -f "$bin_dir/check.exe" ] || { echo "no check.exe in $bin_dir" >&2; exit 1; }
[ -f "$font" ] || { echo "missing $font (Debian package fonts-wqy-microhei)" >&2; exit 1; }

prefix="$bin_dir/../wineprefix-screenshot"
scratch=$(mktemp -d)
desktop_pid=
cleanup() {
    [ -n "$desktop_pid" ] && kill "$desktop_pid" 2>/dev/null || true
    WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
    stop_xvfb
    rm -rf "$scratch"
}
source scripts/xvfb.sh
start_xvfb
trap cleanup EXIT

# A prefix of its own, made once. The fonts go where wine looks first: the
# CJK font for the texts, and Marlett, without which the caption buttons
# show as letters.
"$root/cmake/wine-run.sh" "$prefix" cmd /c exit >/dev/null 2>&1 || true
ln -sf "$font" "$prefix/drive_c/windows/Fonts/wqy-microhei.ttc"
[ -f /usr/share/wine/fonts/marlett.ttf ] &&
    ln -sf /usr/share/wine/fonts/marlett.ttf "$prefix/drive_c/windows/Fonts/marlett.ttf"

# A program directory with one card in the card file's own bytes (GBK,
# CR LF); file names under wine are UTF-8 on the Linux side.
mkdir -p "$scratch/cards"
cp "$bin_dir/check.exe" "$scratch/"
{
    printf '[Info]\r\n序列号=6201 3458 7702\r\n[Card]\r\n'
    row_number=0
    for row in A B C D E F G H; do
        row_number=$((row_number + 1))
        printf '%s=' "$row"
        for column in 1 2 3 4 5 6 7 8 9 10; do
            printf '%03d' $(( (row_number * 379 + column * 617) % 1000 ))
            [ $column -lt 10 ] && printf ','
        done
        printf '\r\n'
    done
} | iconv -f UTF-8 -t GBK >"$scratch/cards/$card_name.ini"

(cd "$scratch" && exec "$root/cmake/wine-run.sh" "$prefix" explorer /desktop=shot,800x600 check.exe "$card_name") \
    >/dev/null 2>&1 &
desktop_pid=$!

for _ in $(seq 1 300); do
    xdotool search --name "^$card_name\$" >/dev/null 2>&1 && break
    sleep 0.1
done
window=$(xdotool search --name "^$card_name\$" | head -n 1)
[ -n "$window" ] || { echo "the query window did not appear" >&2; exit 1; }

xdotool type --delay 120 "B3E7H2"
xdotool key Return

# Wait until the picture stops changing: the answer and every control painted.
for _ in $(seq 1 30); do
    import -window root "$scratch/a.png"
    sleep 0.3
    import -window root "$scratch/b.png"
    [ "$(compare -metric AE "$scratch/a.png" "$scratch/b.png" null: 2>&1 || true)" = 0 ] && break
done

mkdir -p "$(dirname "$output")"
# The window lies at its layout place (50, 50) in the virtual desktop.
convert "$scratch/b.png" -crop 157x160+50+50 +repage "$output"
echo "saved $output"

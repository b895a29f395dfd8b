# Sourced: pictures of the programs' windows, each shown in a wine virtual
# desktop inside an X server (scripts/xvfb.sh), where it gets a title bar
# without a window manager. Every program window opens at its layout place
# (50, 50) in the desktop.
wine_desktop_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$wine_desktop_root/scripts/xvfb.sh"

# wine_desktop_prefix PREFIX
# Makes the prefix once and puts in it where wine looks first: the CJK font
# (Debian package fonts-wqy-microhei) for the Chinese texts, and wine's
# Marlett, without which the caption buttons show as the letters "0" and "r".
wine_desktop_prefix() {
    local prefix=$1 fonts font
    "$wine_desktop_root/cmake/wine-run.sh" "$prefix" cmd /c exit >/dev/null 2>&1 || true
    fonts=$prefix/drive_c/windows/Fonts
    mkdir -p "$fonts"
    for font in /usr/share/wine/fonts/marlett.ttf /usr/share/fonts/truetype/wqy/wqy-microhei.ttc; do
        if [ -f "$font" ] && [ ! -e "$fonts/$(basename "$font")" ]; then
            cp "$font" "$fonts/"
        fi
    done
}

# wine_desktop_start PREFIX NAME SIZE DIRECTORY PROGRAM [ARGUMENT...]
# Starts PROGRAM in DIRECTORY on the desktop NAME of SIZE (WIDTHxHEIGHT), in
# the background; WINE_DESKTOP_PID is the starter's process.
wine_desktop_start() {
    local prefix=$1 name=$2 size=$3 directory=$4
    shift 4
    (cd "$directory" && exec "$wine_desktop_root/cmake/wine-run.sh" "$prefix" explorer "/desktop=$name,$size" "$@") \
        >/dev/null 2>&1 &
    WINE_DESKTOP_PID=$!
}

# wine_desktop_wait_for_window TITLE [TRIES]
# Waits until a window of exactly that title shows, looking every tenth of a
# second, at most TRIES times (default 300).
wine_desktop_wait_for_window() {
    local title=$1 tries=${2:-300}
    for _ in $(seq "$tries"); do
        xdotool search --name "^$title\$" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    return 1
}

# wine_desktop_window NAME: the X window of the desktop NAME.
wine_desktop_window() {
    xdotool search --name "^$1 - Wine desktop\$" | head -n 1
}

# wine_desktop_settle INTERVAL PICTURE
# Waits until the screen stops changing: two pictures INTERVAL seconds apart
# alike, at most 30 pairs. The later one is saved as PICTURE, so that a
# blinking caret shows as it was when the screen was still.
wine_desktop_settle() {
    local interval=$1 picture=$2 pictures
    pictures=$(mktemp -d)
    for _ in $(seq 1 30); do
        import -window root "$pictures/a.png"
        sleep "$interval"
        import -window root "$pictures/b.png"
        [ "$(compare -metric AE "$pictures/a.png" "$pictures/b.png" null: 2>&1 || true)" = 0 ] && break
    done
    mv "$pictures/b.png" "$picture"
    rm -rf "$pictures"
}

# wine_desktop_crop PICTURE WIDTH HEIGHT OUTPUT
# Saves the program window of WIDTH x HEIGHT at (50, 50) of PICTURE, a
# picture of a desktop or of the screen whose corner it covers.
wine_desktop_crop() {
    local picture=$1 width=$2 height=$3 output=$4
    mkdir -p "$(dirname "$output")"
    convert "$picture" -crop "${width}x${height}+50+50" +repage "$output"
}

# wine_desktop_shoot NAME WIDTH HEIGHT OUTPUT
# Saves the program window of WIDTH x HEIGHT on the desktop NAME as it is now.
wine_desktop_shoot() {
    local name=$1 width=$2 height=$3 output=$4 picture
    picture=$(mktemp --suffix=.png)
    import -window "$(wine_desktop_window "$name")" "$picture"
    wine_desktop_crop "$picture" "$width" "$height" "$output"
    rm -f "$picture"
}

# wine_desktop_close PREFIX: ends every program of the prefix.
wine_desktop_close() {
    WINEPREFIX=$1 wineserver -k 2>/dev/null || true
    WINEPREFIX=$1 wineserver -w 2>/dev/null || true
}

# wine_desktop_picture_session PREFIX PROGRAM CARD_NAME
# For a picture of one program: the CJK font checked, a private Xvfb, the
# prefix made, and a program directory WINE_DESKTOP_DIRECTORY holding PROGRAM
# and the picture card CARD_NAME (file names under wine are UTF-8 on the Linux
# side). On exit the programs of the prefix end, then the Xvfb, and the
# directory is removed.
wine_desktop_picture_session() {
    local font=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
    [ -f "$font" ] || { echo "missing $font (Debian package fonts-wqy-microhei)" >&2; return 1; }
    wine_desktop_session_prefix=$1
    WINE_DESKTOP_DIRECTORY=$(mktemp -d)
    WINE_DESKTOP_PID=
    trap wine_desktop_end_picture_session EXIT
    start_xvfb
    wine_desktop_prefix "$wine_desktop_session_prefix"
    mkdir -p "$WINE_DESKTOP_DIRECTORY/cards"
    cp "$2" "$WINE_DESKTOP_DIRECTORY/"
    write_picture_card "$WINE_DESKTOP_DIRECTORY/cards/$3.ini"
}

wine_desktop_end_picture_session() {
    [ -n "$WINE_DESKTOP_PID" ] && kill "$WINE_DESKTOP_PID" 2>/dev/null || true
    wine_desktop_close "$wine_desktop_session_prefix"
    stop_xvfb
    rm -rf "$WINE_DESKTOP_DIRECTORY"
}

# write_picture_card FILE
# The card the pictures show, in the card file's own bytes (GBK, CR LF).
write_picture_card() {
    {
        printf '[Info]\r\n序列号=6201 3458 7702\r\n[Card]\r\n'
        local row_number=0 row column
        for row in A B C D E F G H; do
            row_number=$((row_number + 1))
            printf '%s=' "$row"
            for column in 1 2 3 4 5 6 7 8 9 10; do
                printf '%03d' $(( (row_number * 379 + column * 617) % 1000 ))
                [ $column -lt 10 ] && printf ','
            done
            printf '\r\n'
        done
    } | iconv -f UTF-8 -t GBK >"$1"
}

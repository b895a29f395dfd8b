# Sourced: pictures of the programs' windows, each shown in a wine virtual
# desktop inside an X server (scripts/xvfb.sh), where it gets a title bar
# without a window manager. Every program window opens at its layout place
# (50, 50) in the desktop.
wine_desktop_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$wine_desktop_root/scripts/xvfb.sh"
source "$wine_desktop_root/scripts/wine.sh"

# wine_desktop_prefix PREFIX [OPTION...]
# Makes the prefix once, with cmake/wine-run.sh's OPTIONs (--arch, --dpi N),
# and puts in it where wine looks first: the CJK font (Debian package
# fonts-wqy-microhei) for the Chinese texts, and wine's Marlett, without which
# the caption buttons show as the letters "0" and "r". Under a code page
# that is not Chinese (MORVANE_WINE_LOCALE) the controls' font has no Chinese
# characters, and Windows links in SimSun or PMingLiU for them: here the
# CJK font stands in for both. Fails, saying why, when wine cannot run in it.
wine_desktop_prefix() {
    local prefix=$1 fonts font face
    shift
    wine_quietly "$@" "$prefix" cmd /c exit || return
    fonts=$prefix/drive_c/windows/Fonts
    mkdir -p "$fonts"
    for font in /usr/share/wine/fonts/marlett.ttf /usr/share/fonts/truetype/wqy/wqy-microhei.ttc; do
        if [ -f "$font" ] && [ ! -e "$fonts/$(basename "$font")" ]; then
            cp "$font" "$fonts/"
        fi
    done
    if [ ! -e "$prefix/.morvane-linked-fonts" ]; then
        for face in SimSun PMingLiU; do
            wine_quietly "$@" "$prefix" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" \
                /t REG_SZ /d 'WenQuanYi Micro Hei' /f || return
        done
        touch "$prefix/.morvane-linked-fonts"
    fi
}

# wine_desktop_start PREFIX NAME SIZE DIRECTORY PROGRAM [ARGUMENT...]
# Starts PROGRAM in DIRECTORY on the desktop NAME of SIZE (WIDTHxHEIGHT), in
# the background; WINE_DESKTOP_PID is the starter's process, whose output
# goes to WINE_DESKTOP_LOG.
wine_desktop_start() {
    local prefix=$1 name=$2 size=$3 directory=$4
    shift 4
    WINE_DESKTOP_COMMAND="cmake/wine-run.sh $prefix explorer /desktop=$name,$size $*"
    WINE_DESKTOP_LOG=$(mktemp)
    (cd "$directory" && exec "$wine_desktop_root/cmake/wine-run.sh" "$prefix" explorer "/desktop=$name,$size" "$@") \
        >"$WINE_DESKTOP_LOG" 2>&1 &
    WINE_DESKTOP_PID=$!
}

# wine_desktop_wait_for_window TITLE [TRIES]
# Waits until a window of exactly that title shows, looking every tenth of a
# second, at most TRIES times (default 300). When it does not, says why: the
# command that started it and wine's output, and how it ended if it did.
wine_desktop_wait_for_window() {
    local title=$1 tries=${2:-300} ended=
    for _ in $(seq "$tries"); do
        if xdotool search --name "^$title\$" >/dev/null 2>&1; then
            rm -f "$WINE_DESKTOP_LOG"
            return 0
        fi
        if ! kill -0 "$WINE_DESKTOP_PID" 2>/dev/null; then
            wait "$WINE_DESKTOP_PID" && ended="ended" || ended="ended with exit status $?"
            break
        fi
        sleep 0.1
    done
    {
        if [ -n "$ended" ]; then
            echo "the window \"$title\" did not appear: '$WINE_DESKTOP_COMMAND' $ended"
        else
            echo "the window \"$title\" did not appear within $((tries / 10)) s of '$WINE_DESKTOP_COMMAND'"
        fi
        if [ -s "$WINE_DESKTOP_LOG" ]; then
            echo "wine's output:"
            tail -n 20 "$WINE_DESKTOP_LOG"
        fi
    } >&2
    rm -f "$WINE_DESKTOP_LOG"
    return 1
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

# wine_desktop_close PREFIX: ends every program of the prefix.
wine_desktop_close() {
    WINEPREFIX=$1 wineserver -k 2>/dev/null || true
    WINEPREFIX=$1 wineserver -w 2>/dev/null || true
}

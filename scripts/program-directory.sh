# Sourced: builds the Windows programs and lays out a program directory in the
# build tree, as the release package holds them: the three programs and a
# card store with one sample card.

# program_directory_build BUILD_DIR PRESET
# Builds in BUILD_DIR (with PRESET, windows or windows-x64) and lays out
# BUILD_DIR/program; PROGRAM_DIRECTORY names it afterwards. SAMPLE_CARD is
# the sample card's name.
SAMPLE_CARD=示例密保卡
program_directory_build() {
    local build=$1 preset=$2
    echo "building the Windows programs in $build"
    cmake --preset "$preset" -B "$build" >/dev/null
    cmake --build "$build" -j "$(nproc)" --target check_program create_program manager_program >/dev/null
    PROGRAM_DIRECTORY=$build/program
    mkdir -p "$PROGRAM_DIRECTORY/cards"
    cp "$build/bin/Morvane.exe" "$build/bin/check.exe" "$build/bin/create.exe" "$PROGRAM_DIRECTORY/"
    if [ ! -e "$PROGRAM_DIRECTORY/cards/$SAMPLE_CARD.ini" ]; then
        write_sample_card >"$PROGRAM_DIRECTORY/cards/$SAMPLE_CARD.ini"
    fi
}

# The sample card in the card file's own bytes (GBK, CR LF): rows A to J of
# ten three-digit codes each.
write_sample_card() {
    {
        printf '[Info]\r\n序列号=2024-0817-3356\r\n[Card]\r\n'
        local seed=7 row column line
        for row in A B C D E F G H I J; do
            line=""
            for column in 1 2 3 4 5 6 7 8 9 10; do
                seed=$(( (seed * 1103 + 4271) % 9973 ))
                line+="${line:+,}$(printf '%03d' $((seed % 1000)))"
            done
            printf '%s=%s\r\n' "$row" "$line"
        done
    } | iconv -f UTF-8 -t GBK
}

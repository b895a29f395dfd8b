#!/bin/bash
# Builds the three programs of both Windows builds twice, from two copies of
# this source tree at paths of different lengths, and compares them byte for
# byte: two builds of one commit give the same programs. Prints each
# program's SHA-256 and ends with exit status 1 where any differs.
# Usage: bash scripts/reproducible.sh
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
first=$scratch/a
second=$scratch/a-second-copy-of-the-source-tree-at-a-longer-path/source
for copy in "$first" "$second"; do
    mkdir -p "$copy"
    tar --exclude=./build -cf - . | tar -xf - -C "$copy"
    for preset in windows windows-x64; do
        (cd "$copy" && cmake --preset "$preset" -DBUILD_TESTING=OFF >/dev/null &&
            cmake --build --preset "$preset" -j "$(nproc)" --target check_program create_program manager_program >/dev/null)
    done
done
status=0
for build in windows windows-x64; do
    for program in Morvane check create; do
        one=$first/build/$build/bin/$program.exe
        other=$second/build/$build/bin/$program.exe
        if cmp -s "$one" "$other"; then
            echo "build/$build/bin/$program.exe  identical  $(sha256sum <"$one" | cut -d' ' -f1)"
        else
            echo "build/$build/bin/$program.exe  DIFFERS: $(cmp "$one" "$other" || true)"
            status=1
        fi
    done
done
exit $status

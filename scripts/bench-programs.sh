#!/bin/bash
# Prints how fast the window programs are under wine (Morvane with 10,000
# cards, check's start and its Enter-to-answer time, each against a yardstick
# measured in the same run), then each program's size and the DLLs it
# imports, for the x86 and the x64 build. The programs timed are the x86 ones
# where the machine runs 32-bit code, else the x64 ones (scripts/wine.sh;
# MORVANE_WINDOWS_ARCH=x64 takes them anywhere).
# Usage: bash scripts/bench-programs.sh [runs] [queries]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
source scripts/wine.sh
windows_arch_choose
echo "bench-programs: $WINDOWS_ARCH_REASON: timing the $WINDOWS_ARCH programs"
for preset in windows windows-x64; do
    cmake --preset "$preset" >/dev/null
    if [ "$preset" = "$WINDOWS_PRESET" ]; then
        cmake --build --preset "$preset" -j "$(nproc)" \
            --target window_bench check_program create_program manager_program >/dev/null
    else
        cmake --build --preset "$preset" -j "$(nproc)" --target check_program create_program manager_program >/dev/null
    fi
done
build=build/$WINDOWS_PRESET
if [ -z "${DISPLAY:-}" ]; then
  source scripts/xvfb.sh
  start_xvfb
  # The prefix's programs first, which would lose their display.
  trap 'WINEPREFIX=$PWD/$build/wineprefix wineserver -k 2>/dev/null || true; stop_xvfb' EXIT
fi
cmake/wine-run.sh --arch "$WINDOWS_ARCH" "$PWD/$build/wineprefix" "$build/bin/window_bench.exe" "${1:-11}" "${2:-200}"
imports_of() {  # preset program file
  if [ "$1" = windows ]; then
    i686-w64-mingw32-objdump -p "$2"
  else
    x86_64-w64-mingw32-objdump -p "$2"
  fi | sed -n 's/.*DLL Name: //p' | tr '\n' ' '
}
for preset in windows windows-x64; do
  echo "build/$preset:"
  for program in Morvane check create; do
    exe=build/$preset/bin/$program.exe
    bytes=$(stat -c %s "$exe")
    tenths=$((bytes * 10 / 1024))
    printf '  %-12s %6d bytes (%d.%d KiB)  imports: %s\n' "$program.exe" "$bytes" $((tenths / 10)) $((tenths % 10)) \
        "$(imports_of "$preset" "$exe")"
  done
done

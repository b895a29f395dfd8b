#!/bin/bash
# Prints how fast the window programs are under wine (Morvane with 10,000
# cards, check's start and its Enter-to-answer time, each against a yardstick
# measured in the same run), then each program's size and the DLLs it imports.
# Usage: bash scripts/bench-programs.sh [runs] [queries]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$(nproc)" --target window_bench check_program create_program manager_program >/dev/null
if [ -z "${DISPLAY:-}" ]; then
  source scripts/xvfb.sh
  start_xvfb
  trap stop_xvfb EXIT
fi
cmake/wine-run.sh "$PWD/build/windows/wineprefix" build/windows/bin/window_bench.exe "${1:-11}" "${2:-200}"
for program in Morvane check create; do
  exe=build/windows/bin/$program.exe
  printf '%-12s %4d KiB  imports: %s\n' "$program.exe" $(( $(stat -c %s "$exe") / 1024 )) \
    "$(i686-w64-mingw32-objdump -p "$exe" | sed -n 's/.*DLL Name: //p' | tr '\n' ' ')"
done

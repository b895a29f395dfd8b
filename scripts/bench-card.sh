#!/bin/bash
# Prints the card store's median times: natively, and under wine for the
# project's own INI layer and the platform's, with the x86 build where the
# machine runs 32-bit code, else the x64 one (scripts/wine.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
source scripts/wine.sh
windows_arch_choose
echo "bench-card: $WINDOWS_ARCH_REASON: the $WINDOWS_ARCH build under wine"
runs=${1:-2000}
cmake --preset native >/dev/null && cmake --build --preset native -j "$(nproc)" --target card_bench >/dev/null
cmake --preset "$WINDOWS_PRESET" >/dev/null
cmake --build --preset "$WINDOWS_PRESET" -j "$(nproc)" --target card_bench >/dev/null
build/native/bench/card_bench "$runs"
cmake/wine-run.sh --arch "$WINDOWS_ARCH" "$PWD/build/$WINDOWS_PRESET/wineprefix" "build/$WINDOWS_PRESET/bench/card_bench.exe" "$runs"

#!/bin/bash
# Prints the card store's median times: natively, and under wine for the
# project's own INI layer and the platform's.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
runs=${1:-2000}
cmake --preset native >/dev/null && cmake --build --preset native -j "$(nproc)" --target card_bench >/dev/null
cmake --preset windows >/dev/null && cmake --build --preset windows -j "$(nproc)" --target card_bench >/dev/null
build/native/bench/card_bench "$runs"
cmake/wine-run.sh "$PWD/build/windows/wineprefix" build/windows/bench/card_bench.exe "$runs"

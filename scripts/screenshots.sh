#!/usr/bin/env bash
# Builds plenko-screenshots (and the plenko-devserver it starts for the cloud side) and renders the
# main window and the windows it opens over a demo data set (offscreen) into docs/screenshots/*.png:
# scripts/screenshots.sh [build folder]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build/screenshots}"

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPLENKO_BUILD_BENCH=OFF -DPLENKO_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target plenko-screenshots --parallel 2
QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR="${QT_SCALE_FACTOR:-1}" "$build/tools/screenshots/plenko-screenshots" "$root/docs/screenshots"

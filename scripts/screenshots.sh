#!/usr/bin/env bash
# Builds plenko-screenshots (and the plenko-devserver it starts for the cloud side) and renders the
# main window and the windows it opens over a demo data set into docs/screenshots/*.png, on a
# virtual X display with a window manager (offscreen when there is none):
# scripts/screenshots.sh [build folder]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build/screenshots}"

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPLENKO_BUILD_BENCH=OFF -DPLENKO_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target plenko-screenshots --parallel 2
shots=("$build/tools/screenshots/plenko-screenshots" "$root/docs/screenshots")
# Dates in the pictures are written the way a US English desktop writes them.
export LANG=en_US.UTF-8
if command -v xvfb-run >/dev/null && command -v openbox >/dev/null; then
    # A virtual display with a window manager: the pictures show the real window frames.
    QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR="${QT_SCALE_FACTOR:-1}" xvfb-run -a -s "-screen 0 1600x1000x24" \
        bash -c 'openbox >/dev/null 2>&1 & sleep 1; "$@"' shots "${shots[@]}"
else
    QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR="${QT_SCALE_FACTOR:-1}" "${shots[@]}"
fi

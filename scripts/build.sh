#!/usr/bin/env bash
# Configures and builds one preset: scripts/build.sh [preset] [--fresh]
set -euo pipefail
cd "$(dirname "$0")/.."

preset="${1:-release}"
fresh=()
[ "${2:-}" = "--fresh" ] && fresh=(--fresh)

cmake --preset "$preset" "${fresh[@]}" >/dev/null
cmake --build --preset "$preset" --parallel "$(nproc)"

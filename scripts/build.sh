#!/usr/bin/env bash
# Configures and builds one preset: scripts/build.sh [preset] [--fresh]
set -euo pipefail
cd "$(dirname "$0")/.."

# ccache rewrites paths under the source root to relative ones (and the presets map the root out of
# the debug information), so a build in another checkout of the same sources hits the same cache.
export CCACHE_BASEDIR="$PWD"

preset="${1:-release}"
fresh=()
[ "${2:-}" = "--fresh" ] && fresh=(--fresh)

cmake --preset "$preset" "${fresh[@]}" >/dev/null
cmake --build --preset "$preset" --parallel "$(nproc)"

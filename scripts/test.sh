#!/usr/bin/env bash
# Installs what is missing, builds from scratch and runs every test, then the whole suite a second time
# under AddressSanitizer and UndefinedBehaviorSanitizer (the asan preset); PLENKO_SANITIZERS=0 skips
# that second pass. Tests use a private D-Bus session with its own gnome-keyring, the offscreen Qt
# platform and temporary folders: the user's data is never touched. Each build and test pass prints
# how long it took.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
export CCACHE_BASEDIR="$root"

scripts/install-deps.sh

presets=(test)
[ "${PLENKO_SANITIZERS:-1}" = "1" ] && presets+=(asan)

for preset in "${presets[@]}"; do
    echo "== building preset $preset"
    SECONDS=0
    scripts/build.sh "$preset" --fresh
    echo "== preset $preset built in ${SECONDS} s"
done

export QT_QPA_PLATFORM=offscreen
status=0
for preset in "${presets[@]}"; do
    echo "== running tests of preset $preset"
    SECONDS=0
    dbus-run-session -- bash "$root/scripts/with-keyring.sh" \
        ctest --preset "$preset" --output-on-failure --timeout 600 || status=1
    echo "== tests of preset $preset ran in ${SECONDS} s"
done
exit $status

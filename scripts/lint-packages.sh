#!/usr/bin/env bash
# Builds the two Debian packages from a build folder and checks them with lintian, Debian's own
# package checker: any error or warning fails. Usage: scripts/lint-packages.sh BUILD_FOLDER
# The packages are made in a temporary folder, so the build folder gains nothing but CPack's own
# staging area (_CPack_Packages).
set -euo pipefail
build="$(cd "${1:?usage: lint-packages.sh BUILD_FOLDER}" && pwd)"
for tool in cpack lintian dpkg-shlibdeps; do
    command -v "$tool" >/dev/null || { echo "$tool is missing: run scripts/install-deps.sh" >&2; exit 1; }
done
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT

cd "$build"
if ! cpack -G DEB -B "$out" >"$out/cpack.log" 2>&1; then
    cat "$out/cpack.log" >&2
    echo "cpack could not build the packages" >&2
    exit 1
fi
shopt -s nullglob
packages=("$out"/*.deb)
if [ "${#packages[@]}" -ne 2 ]; then
    echo "expected the packages plenko and plenko-server, cpack made: ${packages[*]##*/}" >&2
    exit 1
fi
status=0
for package in "${packages[@]}"; do
    echo "== lintian ${package##*/}"
    # Root is how CI runs; lintian only unpacks into its own temporary folder.
    lintian --allow-root --fail-on error,warning --no-tag-display-limit --display-level ">=warning" "$package" || status=1
done
[ "$status" -eq 0 ] && echo "PASS: both packages are free of lintian errors and warnings"
exit "$status"

#!/usr/bin/env bash
# Installs what is missing, builds, starts the stand-in service in the background and launches Plenko
# against it. Registers the plenko:// URL scheme for this user so browser sign-in comes back here.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

scripts/install-deps.sh
scripts/build.sh release

bin="$root/build/release"
data_dir="${XDG_DATA_HOME:-$HOME/.local/share}/net.plenko.Plenko"
mkdir -p "$data_dir"

# The URL scheme handler: the .desktop file points at this build.
apps="${XDG_DATA_HOME:-$HOME/.local/share}/applications"
mkdir -p "$apps"
sed "s|^Exec=.*|Exec=$bin/src/app/plenko %u|" packaging/net.plenko.Plenko.desktop > "$apps/net.plenko.Plenko.desktop"
command -v update-desktop-database >/dev/null && update-desktop-database "$apps" >/dev/null 2>&1 || true
command -v xdg-mime >/dev/null && xdg-mime default net.plenko.Plenko.desktop x-scheme-handler/plenko >/dev/null 2>&1 || true

port="${PLENKO_DEVSERVER_PORT:-8787}"
if ! (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
    "$bin/tools/devserver/plenko-devserver" --port "$port" --data "$data_dir/devserver.sqlite" \
        >"$data_dir/devserver.log" 2>&1 &
    devserver_pid=$!
    trap 'kill $devserver_pid 2>/dev/null || true' EXIT
    for _ in $(seq 50); do (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break; sleep 0.1; done
fi

export PLENKO_API_URL="${PLENKO_API_URL:-http://127.0.0.1:$port}"
# The stand-in service also serves the changelog and the update feed.
export PLENKO_CHANGELOG_URL="${PLENKO_CHANGELOG_URL:-$PLENKO_API_URL/changelog.json}"
export PLENKO_APPCAST_URL="${PLENKO_APPCAST_URL:-$PLENKO_API_URL/appcast.json}"
"$bin/src/app/plenko" "$@"

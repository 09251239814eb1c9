#!/usr/bin/env bash
# Installs what is missing, builds, starts the stand-in service in the background and launches Plenko
# against it. Registers the plenko:// URL scheme for this user so browser sign-in comes back here.
#
# scripts/run.sh --check does all of that without anyone at the screen: the application waits until
# its main window is shown with the board list, quits cleanly, and the script exits 0; any failure
# exits non-zero with the reason. Without a display it runs under Xvfb, without a session bus under a
# private one.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

check=0
if [ "${1:-}" = "--check" ]; then
    check=1
    shift
fi
fail() {
    echo "run.sh --check failed: $*" >&2
    exit 1
}

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
    "$bin/server/devserver/plenko-devserver" --port "$port" --data "$data_dir/devserver.sqlite" \
        >"$data_dir/devserver.log" 2>&1 &
    devserver_pid=$!
    trap 'kill $devserver_pid 2>/dev/null || true' EXIT
    for _ in $(seq 50); do (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break; sleep 0.1; done
    if ((check)); then
        kill -0 "$devserver_pid" 2>/dev/null || fail "the stand-in service did not start (see $data_dir/devserver.log)"
        (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null || fail "the stand-in service does not answer on port $port"
    fi
fi

export PLENKO_API_URL="${PLENKO_API_URL:-http://127.0.0.1:$port}"
# The stand-in service also serves the changelog and the update feed.
export PLENKO_CHANGELOG_URL="${PLENKO_CHANGELOG_URL:-$PLENKO_API_URL/changelog.json}"
export PLENKO_APPCAST_URL="${PLENKO_APPCAST_URL:-$PLENKO_API_URL/appcast.json}"

if ((check)); then
    launcher=()
    [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] || launcher=(xvfb-run --auto-servernum --server-args="-screen 0 1280x800x24")
    [ -n "${DBUS_SESSION_BUS_ADDRESS:-}" ] || launcher=(dbus-run-session -- "${launcher[@]}")
    "${launcher[@]}" "$bin/src/app/plenko" --startup-check || fail "the application exited with status $?"
    echo "run.sh --check passed: Plenko was built, started against the stand-in service, showed its board list and quit cleanly."
    exit 0
fi
"$bin/src/app/plenko" "$@"

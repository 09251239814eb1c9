#!/usr/bin/env bash
# Runs a command with a fresh, unlocked gnome-keyring in the current (private) D-Bus session, so token
# storage is tested against a real Secret Service.
set -euo pipefail
export XDG_DATA_HOME="$(mktemp -d)"
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
chmod 700 "$XDG_RUNTIME_DIR"
eval "$(printf 'plenko-test' | gnome-keyring-daemon --unlock --components=secrets 2>/dev/null)" || true
eval "$(gnome-keyring-daemon --start --components=secrets 2>/dev/null)" || true
export GNOME_KEYRING_CONTROL
"$@"

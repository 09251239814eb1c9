#!/usr/bin/env bash
# Installs, from Debian's packages, whatever the build, the tests and the application need and is
# missing. Safe to run again: it only calls apt-get when a package is absent.
set -euo pipefail

packages=(
    build-essential cmake ninja-build ccache pkg-config git
    qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev qt6-qpa-plugins qt6-svg-dev qt6-charts-dev qt6-httpserver-dev
    qcoro-qt6-dev qtkeychain-qt6-dev libmd4c-dev libmd4c-html0-dev libsqlite3-dev libsodium-dev libssl-dev openssl libicu-dev libgl-dev libxkbcommon-dev
    # plenko-server's HTTP front (Boost.Beast and Boost.Asio, header-only).
    libboost1.81-dev
    # plenko-server's PostgreSQL back end (libpq) and the private clusters its tests start.
    libpq-dev postgresql
    # Local time zones: date badges, item details and the dashboard read them.
    tzdata
    gnome-keyring libsecret-1-0 dbus dbus-x11 xvfb xauth desktop-file-utils xdg-utils openbox
    # Debian packaging: manual pages from scdoc, and lintian to check both packages.
    scdoc lintian
    # The screen-reader test: the accessibility bus and the Python client a screen reader uses.
    at-spi2-core python3 python3-pyatspi
    # The spoken journey: the real screen reader speaking through speech-dispatcher into a file, and
    # xdotool typing keys on the virtual display.
    orca speech-dispatcher xdotool
    # Fonts for the scripts the text tests draw: Arabic and Hebrew come with DejaVu.
    fonts-dejavu-core fonts-lohit-deva fonts-tlwg-loma-otf fonts-wqy-microhei fonts-noto-color-emoji
)

missing=()
for pkg in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
done

if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

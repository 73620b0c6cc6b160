#!/usr/bin/env bash
# Installs what building, running and testing Notenschau needs (Debian 12).
set -euo pipefail
packages=(
    build-essential cmake pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev qt6-charts-dev libqt6opengl6-dev
    qt6-translations-l10n
    libsqlcipher-dev sqlcipher
    libbenchmark-dev
    clang-format clang-tidy
    fonts-dejavu-core fonts-liberation xvfb xauth
    xdg-utils
    python3 python3-jsonschema
    dpkg-dev desktop-file-utils appstream lintian
    qtkeychain-qt6-dev gnome-keyring dbus libsecret-tools
)
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}"
fi

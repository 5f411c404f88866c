#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Treewright needs.
# Idempotent: only missing packages are installed, so a second run costs a second.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config ccache git
  qt6-base-dev qt6-base-dev-tools qt6-base-private-dev libqt6svg6 qt6-svg-dev
  libxml2-dev libxml2-utils
  libqscintilla2-qt6-dev
  qt6-webengine-dev libqt6webenginecore6-bin libqt6webengine6-data
  libcurl4-openssl-dev
  libgl-dev
  xvfb xauth imagemagick poppler-utils
  python3-pyftpdlib
  python3-openssl openssh-server
  dbus-daemon desktop-file-utils appstream shared-mime-info dpkg-dev
  hicolor-icon-theme adwaita-icon-theme qt6-qpa-plugins
)

# `setup.sh fuzz`: also clang and its libFuzzer runtime, for the fuzz targets only.
if [ "${1:-}" = fuzz ]; then
  packages+=(clang libclang-rt-14-dev)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"

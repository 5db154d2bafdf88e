#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, only those missing.
set -euo pipefail

# fonts-liberation2: the style sheets ask for Arial; Liberation Sans has its metrics, so the
# window lays out as designed. desktop-file-utils: the suite validates the .desktop entry.
packages=(
  build-essential cmake pkg-config
  qtbase5-dev qtbase5-dev-tools libqt5serialport5-dev libqcustomplot-dev
  xvfb xauth x11-utils imagemagick fonts-dejavu-core
  fonts-liberation2 desktop-file-utils
  clang libclang-rt-dev libbenchmark-dev
  libcpp-httplib-dev libssl-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"

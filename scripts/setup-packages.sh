#!/usr/bin/env bash
# Installs what building, testing and running need on Debian 12; skips apt when all is present.
set -euo pipefail
packages=(
    build-essential cmake ninja-build pkg-config
    qtbase5-dev qtbase5-dev-tools libqt5svg5-dev qt5-image-formats-plugins
    libgtest-dev libgmock-dev libbenchmark-dev
    libaravis-dev aravis-tools libusb-1.0-0-dev
    libopencv-imgproc-dev libtiff-dev libqt5charts5-dev poppler-utils
    xvfb xauth
    iproute2 nftables
    lintian
    clang-format clang-tidy
)
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi

#!/usr/bin/env bash
# Installs what quillstow needs to build and run on Debian 12, with apt-get; with --tests also
# what its tests and its Debian package use. Packages that are already there are left alone;
# nothing is asked. The Windows build's tool chain is scripts/install-windows-deps.sh's.
#   bash scripts/install-deps.sh [--tests]
set -euo pipefail

packages=(cmake ninja-build g++ pkg-config libgtest-dev libarchive-dev qt6-base-dev libgl-dev
  fonts-dejavu-core libburn-dev libisofs-dev libhivex-dev libdeflate-dev zlib1g-dev unzip)
if [ "${1:-}" = --tests ]; then
  # Archive comparisons, the offscreen window, ISO images read back, the package's checks.
  packages+=(zip p7zip-full xvfb xauth xorriso dpkg-dev desktop-file-utils man-db)
fi

source "$(dirname "$0")/lib/packages.sh"
install_missing "${packages[@]}"

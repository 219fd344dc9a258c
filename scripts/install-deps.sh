#!/usr/bin/env bash
# Installs what quillstow needs to build and run on Debian 12, with apt-get; with --tests also
# what its tests and its Debian package use. Packages that are already there are left alone;
# nothing is asked. The Windows build's tool chain is scripts/install-windows-deps.sh's.
#   bash scripts/install-deps.sh [--tests]
set -euo pipefail

packages=(cmake ninja-build g++ pkg-config libgtest-dev libarchive-dev qt6-base-dev libgl-dev
  fonts-dejavu-core libburn-dev libisofs-dev unzip)
if [ "${1:-}" = --tests ]; then
  # Archive comparisons, the offscreen window, ISO images read back, the package's checks.
  packages+=(zip p7zip-full xvfb xauth xorriso dpkg-dev desktop-file-utils man-db)
fi

as_root() {
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "install-deps: run as root or install sudo" >&2; exit 1; }
    sudo "$@"
  else
    "$@"
  fi
}

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  as_root apt-get update -qq
  as_root apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

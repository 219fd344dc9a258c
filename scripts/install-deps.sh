#!/usr/bin/env bash
# Installs what quillstow needs to build and test on Debian 12, with apt-get. Packages that
# are already there are left alone; nothing is asked.
set -euo pipefail

packages=(cmake ninja-build g++ libgtest-dev libarchive-dev zip unzip p7zip-full
  qt6-base-dev libgl-dev fonts-dejavu-core xvfb xauth libburn-dev libisofs-dev xorriso pkg-config)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "install-deps: run as root or install sudo" >&2; exit 1; }
  sudo=(sudo)
fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"

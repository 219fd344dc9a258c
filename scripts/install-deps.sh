#!/usr/bin/env bash
# Installs what quillstow needs to build and test on Debian 12, with apt-get. Packages that
# are already there are left alone; nothing is asked.
set -euo pipefail

packages=(cmake ninja-build g++ libgtest-dev libarchive-dev zip unzip p7zip-full
  qt6-base-dev libgl-dev fonts-dejavu-core xvfb xauth libburn-dev libisofs-dev xorriso pkg-config)
# The Windows build: MinGW-w64 (POSIX threads) cross-compiles the Win32 layer and its tests,
# GoogleTest's sources build for it, Wine runs them; the Japanese locale gives Wine's second
# pass its code page 932.
packages+=(g++-mingw-w64-x86-64-posix googletest wine wine64 locales)

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

# Wine takes its ANSI code page from the locale, so the Japanese one must exist.
if ! locale -a 2>/dev/null | grep -qix 'ja_JP\.utf-\?8'; then
  echo "install-deps: generating the ja_JP.UTF-8 locale"
  as_root localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi

#!/usr/bin/env bash
# Installs what the Windows build (scripts/wine-test.sh) needs on Debian 12, besides what
# scripts/install-deps.sh installs: MinGW-w64 (POSIX threads) cross-compiles the Win32 layer
# and its tests, GoogleTest's sources build for it, Wine runs them (python3 for the end-to-end
# run's file and key comparisons); the Japanese locale gives Wine's second pass its code page
# 932; NSIS (makensis) makes the installer (scripts/package-windows.sh); Xvfb and xwininfo
# show whether the window opens. Packages that are already there are left alone.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

packages=(g++-mingw-w64-x86-64-posix googletest wine wine64 locales python3 nsis xvfb xauth
  x11-utils)

source "$(dirname "$0")/lib/packages.sh"
install_missing "${packages[@]}"

# Wine takes its ANSI code page from the locale, so the Japanese one must exist.
if ! locale -a 2>/dev/null | grep -qix 'ja_JP\.utf-\?8'; then
  echo "install-windows-deps: generating the ja_JP.UTF-8 locale"
  as_root localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi

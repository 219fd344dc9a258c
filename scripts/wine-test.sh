#!/usr/bin/env bash
# The Windows build: cross-compiles for 64-bit Windows with MinGW-w64 what needs neither Qt nor
# libarchive (the Win32 platform layer, the registry keys, the registry text files, the settings file,
# the shared services, the descriptor, the unattended command line) with the tests of those
# parts, and runs the tests under Wine: once as the system's default locale gives them (code
# page 1252), once under a Japanese locale (code page 932). Wine runs headless in a fresh
# prefix under a temporary HOME, so nothing outside it changes; its wineserver is stopped at
# the end. BUILD_DIR (default build-win) names the build folder. Fails when a test fails.
#   --whole: the whole program instead (scripts/build-windows.sh, with libarchive and Qt),
#            built into BUILD_DIR (default build-windows), and its tests; when they pass,
#            scripts/wine-end-to-end.sh backs up, verifies and restores a sample profile with
#            quillstow.exe and quillstow-cli.exe in the same prefix (and compares the backup
#            with the Linux quillstow-cli's of that prefix),
#            scripts/wine-window-test.sh shows the window opens without arguments only, and
#            scripts/wine-package-test.sh makes the ZIP and the installer and installs, runs and
#            uninstalls them in a prefix of their own.
set -euo pipefail
cd "$(dirname "$0")/.."

whole=
if [ "${1:-}" = --whole ]; then
  whole=1
  build_dir=${BUILD_DIR:-build-windows}
  BUILD_DIR=$build_dir bash scripts/build-windows.sh
else
  bash scripts/install-windows-deps.sh
  build_dir=${BUILD_DIR:-build-win}
  cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DQUILL_CORE_ONLY=ON >/dev/null
  cmake --build "$build_dir" -j "${JOBS:-2}"
fi

scratch=$(mktemp -d "${TMPDIR:-/tmp}/quillstow-wine.XXXXXX")
export HOME=$scratch/home
export WINEPREFIX=$scratch/prefix
export WINEDEBUG=-all
# No mono or gecko installers, and no window: the tests are console programs.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
mkdir -p "$HOME"

stop_wine() {
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  rm -rf "$scratch"
}
trap stop_wine EXIT

echo "wine-test: making a fresh prefix with $(wine --version)"
wineboot -i >"$scratch/wineboot.log" 2>&1 || {
  cat "$scratch/wineboot.log" >&2
  echo "wine-test: wineboot could not make the prefix" >&2
  exit 1
}
wineserver -w

# Each pass names the code page its locale must give; AnsiCodePageTest checks it.
status=0
for pass in "C.UTF-8 1252" "ja_JP.UTF-8 932"; do
  read -r locale codepage <<<"$pass"
  echo "wine-test: tests under Wine, locale $locale (code page $codepage)"
  LC_ALL=$locale LANG=$locale QUILL_EXPECTED_CODE_PAGE=$codepage \
    ctest --test-dir "$build_dir" --output-on-failure || status=1
  wineserver -k 2>/dev/null || true
  wineserver -w
done
if [ -n "$whole" ] && [ "$status" -eq 0 ]; then
  echo "wine-test: the whole program end to end under Wine (code page 1252)"
  LC_ALL=C.UTF-8 LANG=C.UTF-8 WIN_BIN="$build_dir/bin" bash scripts/wine-end-to-end.sh || status=1
  echo "wine-test: the window, or none, as the command line says"
  WIN_BIN="$build_dir/bin" bash scripts/wine-window-test.sh || status=1
  echo "wine-test: the Windows packages"
  BIN_DIR=$build_dir/bin DIST_DIR=$build_dir/dist bash scripts/wine-package-test.sh || status=1
fi
exit "$status"

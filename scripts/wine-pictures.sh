#!/usr/bin/env bash
# Pictures of the Windows program, as docs/windows/ holds them: the window's own tests of the
# Windows build run under Wine on a virtual X display with Qt's Windows platform plug-in, and
# save each page and the disc window (QUILL_SCREENSHOTS). Wine runs in a fresh prefix under a
# temporary HOME, removed at the end. WIN_BIN (default build-windows/bin) names the folder of
# the test programs (scripts/build-windows.sh builds them); OUT (default docs/windows) the
# folder the pictures go to. Fails when a test fails or a picture is missing.
set -euo pipefail
cd "$(dirname "$0")/.."

win_bin=$(realpath "${WIN_BIN:-build-windows/bin}")
out=$(realpath -m "${OUT:-docs/windows}")
for program in mainwindow_qt_tests disc_qt_tests; do
  [ -f "$win_bin/$program.exe" ] ||
    { echo "wine-pictures: $win_bin/$program.exe is missing (scripts/build-windows.sh)" >&2; exit 1; }
done

# xvfb-run starts this script again, to run the tests on the display it made.
if [ "${1:-}" = --on-display ]; then
  scratch=$(mktemp -d "${TMPDIR:-/tmp}/quillstow-pictures.XXXXXX")
  export HOME=$scratch/home WINEPREFIX=$scratch/prefix WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  trap 'wineserver -k 2>/dev/null || true; wineserver -w 2>/dev/null || true; rm -rf "$scratch"' EXIT
  mkdir -p "$HOME" "$out"
  wineboot -i >/dev/null 2>&1
  wineserver -w
  export QUILL_SCREENSHOTS
  QUILL_SCREENSHOTS=$(winepath -w "$out")
  for program in mainwindow_qt_tests disc_qt_tests; do
    wine "$win_bin/$program.exe" -platform windows >"$scratch/$program.out" 2>&1 || {
      cat "$scratch/$program.out" >&2
      echo "wine-pictures: $program failed (above)" >&2
      exit 1
    }
  done
  exit 0
fi

xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" --on-display
for picture in backup restore logs about disc; do
  [ -s "$out/$picture.png" ] || { echo "wine-pictures: $out/$picture.png was not made" >&2; exit 1; }
done
echo "wine-pictures: the pages and the disc window of the Windows build are in $out"

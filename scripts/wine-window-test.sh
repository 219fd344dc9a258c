#!/usr/bin/env bash
# The Windows program's choice between its window and the unattended run, under Wine on a
# virtual X display: started without arguments, quillstow.exe opens its main window (found by
# its title among the display's windows); started with an unattended line, it opens none and
# ends by itself. Run by scripts/wine-test.sh --whole in its prefix ($WINEPREFIX and HOME set
# there); WIN_BIN (default build-windows/bin) names the folder of quillstow.exe. Fails, saying
# why, when either half does not hold.
set -euo pipefail
cd "$(dirname "$0")/.."

say() { echo "wine-window-test: $*"; }
die() {
  echo "wine-window-test: FAILED: $*" >&2
  exit 1
}

program=$(realpath "${WIN_BIN:-build-windows/bin}/quillstow.exe")
[ -f "$program" ] || die "$program is missing (scripts/build-windows.sh builds it)"
[ -n "${WINEPREFIX:-}" ] || die "run it from scripts/wine-test.sh --whole (WINEPREFIX is not set)"
caption='Orlo Windows Live Mail Backup V3.00'

# On the display given, runs quillstow.exe with the arguments and looks for the main window
# every half second for up to 30 s. Prints "window" as soon as it is shown, "ended" when the
# program ended without showing it, "neither" when 30 s passed with neither.
probe() {
  wine "$program" "$@" >/dev/null 2>&1 &
  local pid=$! result=neither
  for _ in $(seq 60); do
    if xwininfo -root -tree 2>/dev/null | grep -qF "\"$caption\""; then
      result=window
      break
    fi
    if ! kill -0 "$pid" 2>/dev/null; then
      result=ended
      break
    fi
    sleep 0.5
  done
  kill "$pid" 2>/dev/null || true
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  echo "$result"
}
# xvfb-run starts this script again, to probe on the display it made.
if [ "${1:-}" = --probe ]; then
  shift
  probe "$@"
  exit 0
fi

without=$(xvfb-run -a bash "$0" --probe)
[ "$without" = window ] ||
  die "without arguments quillstow.exe showed no window (it $without)"
say "without arguments: the main window opens"

with=$(xvfb-run -a bash "$0" --probe 'sf=nobodyxm=11111111111ps=bf=C:\quillstow-window-test.wlm')
[ "$with" = ended ] ||
  die "with an unattended line quillstow.exe did not end without a window (it showed: $with)"
say "with an unattended line: no window, and the run ends by itself"

#!/usr/bin/env bash
# Installs what is missing, builds, and runs quillstow over the Wine prefix in $WINEPREFIX
# (default ~/.wine); where there is no prefix, or one without a Windows Live Mail profile,
# over the sample profile it makes. On a desktop it opens the main window. Without a display, or when asked with --backup, it makes
# an unattended backup of every item and prints where the backup went, what it holds and
# the log lines of the run.
#   bash scripts/run.sh [--backup] [BACKUP_FILE [PASSWORD]]
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
bash scripts/build.sh

prefix=${WINEPREFIX:-$HOME/.wine}
# The mail client's key, as Wine writes it into the user's registry file.
if ! grep -qiF '[Software\\Microsoft\\Windows Live Mail]' "$prefix/user.reg" 2>/dev/null; then
  sample=$PWD/build/sample-prefix
  if [ ! -f "$sample/user.reg" ]; then
    rm -rf "$sample"
    build/bin/quillstow-sample "$sample"
  fi
  echo "No Wine prefix with a Windows Live Mail profile at $prefix: using the sample profile at $sample"
  export WINEPREFIX=$sample
fi

backup=no
if [ "${1:-}" = --backup ]; then backup=yes; shift; fi
if [ "$backup" = no ] && [ $# -eq 0 ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
  exec build/bin/quillstow
fi

target=${1:-$PWD/build/backups/livemailbak-$(id -un).wlm}
password=${2:-}
mkdir -p "$(dirname "$target")"
log=build/bin/brlog.dat
before=$( [ -f "$log" ] && wc -c <"$log" || echo 0)

status=0
build/bin/quillstow "sf=$(id -un)xm=11111111111ps=${password}bf=$target" || status=$?

echo
echo "Log of this run ($log):"
tail -c +"$((before + 1))" "$log" | tr -d '\r' | sed '/^$/d'
echo
if [ "$status" -ne 0 ]; then
  echo "The backup could not be written (exit status $status)." >&2
  exit "$status"
fi
echo "Backup file: $target ($(stat -c %s "$target") bytes)"
unzip -l ${password:+-P "$password"} "$target"

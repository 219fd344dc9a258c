#!/usr/bin/env bash
# Installs what is missing, builds, and runs quillstow's main job: an unattended backup of
# every item of the Wine prefix in $WINEPREFIX (default ~/.wine). Where there is no prefix,
# it makes the sample profile and backs that up. It prints where the backup went, what it
# holds and the log lines of the run.
#   bash scripts/run.sh [BACKUP_FILE [PASSWORD]]
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
bash scripts/build.sh

prefix=${WINEPREFIX:-$HOME/.wine}
if [ ! -f "$prefix/user.reg" ]; then
  sample=$PWD/build/sample-prefix
  if [ ! -f "$sample/user.reg" ]; then
    rm -rf "$sample"
    build/bin/quillstow-sample "$sample"
  fi
  echo "No Wine prefix at $prefix: using the sample profile at $sample"
  export WINEPREFIX=$sample
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

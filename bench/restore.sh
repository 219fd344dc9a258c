#!/usr/bin/env bash
# Times a full restore of a backup of a sample profile beside unzip -P and 7z x -p taking
# the same backup file apart, in one run, and prints seconds, peak memory and the ratios.
#
#   bench/restore.sh [SIZE_BYTES] [PASSWORD]     (default 1 GiB of messages, password "pw")
#
# Hold the build lock while it runs, so no compile skews the timings:
#   flock /tmp/quill-build.lock bash bench/restore.sh
#
# The restore goes into a second, small sample profile, so every folder it replaces exists.
# unzip and 7z only take the backup file's entries out; the restore also unpacks the nested
# archives and rebuilds the registry keys.
set -euo pipefail
cd "$(dirname "$0")/.."

size=${1:-1073741824}
password=${2-pw}
[[ "$size" =~ ^[0-9]+$ ]] || { echo "restore.sh: SIZE_BYTES must be a number" >&2; exit 2; }
[[ "$password" != *=* ]] || { echo "restore.sh: the password cannot hold \"=\"" >&2; exit 2; }

bash scripts/install-deps.sh
command -v /usr/bin/time >/dev/null || {
  sudo=(); [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" apt-get install -y -qq time >/dev/null
}
bash scripts/build.sh >/dev/null

work=$(mktemp -d /tmp/quill-restore-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
free=$(df -B1 --output=avail "$work" | tail -n 1 | tr -d ' ')
if [ "$free" -lt $((size * 5)) ]; then
  echo "restore.sh: $((free / 1048576)) MiB free under /tmp, $((size * 5 / 1048576)) MiB needed" >&2
  exit 1
fi
# The programs run from the work folder, so their log and scratch files go with it.
mkdir "$work/bin"
cp build/bin/quillstow build/bin/quillstow-cli "$work/bin/"
user=$(id -un)

build/bin/quillstow-sample "$work/source" --size "$size" >/dev/null
WINEPREFIX="$work/source" "$work/bin/quillstow" "sf=${user}xm=11111111111ps=${password}bf=$work/backup.wlm"
build/bin/quillstow-sample "$work/target" --size 100000 --seed 2 >/dev/null
echo "backup file: $(($(stat -c %s "$work/backup.wlm") / 1048576)) MiB, password: ${password:-(none)}"

# measure NAME COMMAND...: appends "NAME seconds peak-KiB" to the results
measure() {
  local name=$1; shift
  sync
  /usr/bin/time -f "%e %M" -o "$work/time" "$@" >/dev/null 2>"$work/stderr" ||
    { echo "restore.sh: $name failed:" >&2; cat "$work/stderr" >&2; exit 1; }
  read -r seconds kib <"$work/time"
  printf '%s %s %s\n' "$name" "$seconds" "$kib" >>"$work/results"
}

: >"$work/results"
pass=(); [ -n "$password" ] && pass=(--password "$password")
measure quillstow env WINEPREFIX="$work/target" "$work/bin/quillstow-cli" restore "$work/backup.wlm" "${pass[@]}"
measure unzip unzip -q ${password:+-P "$password"} "$work/backup.wlm" -d "$work/by-unzip"
measure 7z 7z x -bd -y ${password:+-p"$password"} -o"$work/by-7z" "$work/backup.wlm"

printf '%-10s %9s %10s\n' tool seconds "peak MiB"
awk '{ printf "%-10s %9.2f %10.1f\n", $1, $2, $3 / 1024 }' "$work/results"
awk '$1 == "quillstow" { q = $2; peak = $3 / 1024 } $1 == "unzip" { u = $2 } $1 == "7z" { s = $2 }
     END {
       printf "time ratio: quillstow/unzip %.2f   quillstow/7z %.2f\n", q / u, q / s
       print "targets:"
       printf "  wall time <= 0.50 x 7z x    %6.2f x      %s\n", q / s, q / s <= 0.5 ? "met" : "MISSED"
       printf "  peak memory < 64 MiB       %6.1f MiB    %s\n", peak, peak < 64 ? "met" : "MISSED"
     }' "$work/results"

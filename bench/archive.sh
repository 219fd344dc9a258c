#!/usr/bin/env bash
# Packs and unpacks a sample mail store with quillstow's archive component, zip/unzip and
# 7z, side by side in one run, and prints times, peak memory and the ratios against ours.
#   bench/archive.sh [SIZE_BYTES] [PASSWORD]      (default 200 MB, no password)
set -euo pipefail
cd "$(dirname "$0")/.."

size=${1:-209715200}
password=${2:-}
bash scripts/install-deps.sh
command -v /usr/bin/time >/dev/null || {
  sudo=(); [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" apt-get install -y -qq time >/dev/null
}
bash scripts/build.sh >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
build/bin/quillstow-sample "$work/prefix" --size "$size" >/dev/null
store=$(find "$work/prefix/drive_c/users" -maxdepth 5 -type d -name 'Windows Live Mail' | head -n 1)
echo "store: $(du -sh "$store" | cut -f1) in $(find "$store" -type f | wc -l) files"

# measure NAME COMMAND...: prints seconds and peak resident memory (KiB)
measure() {
  local name=$1; shift
  /usr/bin/time -f "%e %M" -o "$work/time" "$@" >/dev/null 2>&1
  read -r seconds kib <"$work/time"
  printf '%s %s %s\n' "$name" "$seconds" "$kib" >>"$work/results"
}

zip_pass=(); sevenz_pass=(); unzip_pass=()
if [ -n "$password" ]; then
  zip_pass=(-P "$password"); sevenz_pass=(-p"$password" -mem=ZipCrypto); unzip_pass=(-P "$password")
fi
: >"$work/results"
measure "pack:quillstow" build/bin/quillstow-archive pack "$work/q.zip" "$store" "$password"
measure "pack:zip" bash -c "cd \"$store\" && zip -q -r ${zip_pass[*]:-} \"$work/z.zip\" ."
measure "pack:7z" bash -c "cd \"$store\" && 7z a -bd -tzip ${sevenz_pass[*]:-} \"$work/s.zip\" . "
measure "unpack:quillstow" build/bin/quillstow-archive unpack "$work/q.zip" "$work/out-q" "$password"
measure "unpack:unzip" unzip -q ${unzip_pass[*]:-} "$work/z.zip" -d "$work/out-z"
measure "unpack:7z" 7z x -bd -y ${sevenz_pass[0]:-} -o"$work/out-s" "$work/s.zip"

diff -r "$store" "$work/out-q" >/dev/null && echo "round trip: identical" || { echo "round trip: DIFFERS"; exit 1; }
printf '%-18s %9s %12s %9s\n' step seconds "peak MiB" "vs ours"
awk '{ split($1, p, ":"); if (p[2] == "quillstow") base[p[1]] = $2 }
     { split($1, p, ":"); ratio = base[p[1]] > 0 ? $2 / base[p[1]] : 0
       printf "%-18s %9.2f %12.1f %9.2f\n", $1, $2, $3 / 1024, ratio }' "$work/results"
printf 'archive sizes (bytes): quillstow %s  zip %s  7z %s\n' \
  "$(stat -c %s "$work/q.zip")" "$(stat -c %s "$work/z.zip")" "$(stat -c %s "$work/s.zip")"

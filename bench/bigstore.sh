#!/usr/bin/env bash
# Times the unattended backup of one large message store alone (the mail database item) on
# both cores and on one core (taskset), in one run, and prints seconds, peak memory, the
# ratio and whether the targets hold.
#
#   bench/bigstore.sh [SIZE_BYTES] [PASSWORD]    (default 4.5 GiB, password "pw")
#
# Hold the build lock while it runs, so no compile skews the timings:
#   flock /tmp/quill-build.lock bash bench/bigstore.sh
#
# The store is made of the sample profile's messages, repeated up to the size: mail text and
# encoded attachments, compressing as a real store does. Everything is made in one folder
# under /tmp, removed on exit.
set -euo pipefail
cd "$(dirname "$0")/.."

case "${1:-}" in
  -h | --help) sed -n '6,7p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
esac
size=${1:-4831838208}
password=${2-pw}
[[ "$size" =~ ^[0-9]+$ ]] || { echo "bigstore.sh: SIZE_BYTES must be a number" >&2; exit 2; }
[[ "$password" != *=* ]] || { echo "bigstore.sh: the password cannot hold \"=\"" >&2; exit 2; }

bash scripts/install-deps.sh
command -v /usr/bin/time >/dev/null || {
  sudo=(); [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" apt-get install -y -qq time >/dev/null
}
bash scripts/build.sh >/dev/null

work=$(mktemp -d /tmp/quill-bigstore-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
free=$(df -B1 --output=avail "$work" | tail -n 1 | tr -d ' ')
if [ "$free" -lt $((size * 2 + 268435456)) ]; then
  echo "bigstore.sh: $((free / 1048576)) MiB free under /tmp, $(((size * 2 + 268435456) / 1048576)) MiB needed" >&2
  exit 1
fi
mkdir "$work/bin"
cp build/bin/quillstow "$work/bin/quillstow"
user=$(id -un)

build/bin/quillstow-sample "$work/prefix" --size 67108864 >/dev/null
mail=$(WINEPREFIX="$work/prefix" "$work/bin/quillstow" | sed -n 's/^Mail store: //p')
store="$mail/Mail.MSMessageStore"
[ -f "$store" ] || { echo "bigstore.sh: the sample has no $store" >&2; exit 1; }
find "$mail" -name '*.eml' -print0 | sort -z | xargs -0 cat >"$work/messages"
: >"$store"
while [ "$(stat -c %s "$store")" -lt "$size" ]; do cat "$work/messages" >>"$store"; done
truncate -s "$size" "$store"
rm -f "$work/messages"
printf 'message store: %s MiB; password "%s"\n' $((size / 1048576)) "$password"

# measure NAME COMMAND...: the backup of the database item alone into $work/out.wlm, with
# "NAME seconds peak-KiB user-s system-s" appended to $work/results.
measure() {
  local name=$1
  shift
  rm -f "$work/out.wlm"
  sync
  "$@" env WINEPREFIX="$work/prefix" /usr/bin/time -f "$name %e %M %U %S" -a -o "$work/results" \
    "$work/bin/quillstow" "sf=${user}xm=00000010000ps=${password}bf=$work/out.wlm"
  [ -f "$work/out.wlm" ] || { echo "bigstore.sh: $name wrote no backup file" >&2; exit 1; }
}
: >"$work/results"
measure both-cores
unzip -tqq ${password:+-P "$password"} "$work/out.wlm" >/dev/null ||
  { echo "bigstore.sh: the backup file does not test clean" >&2; exit 1; }
backup_bytes=$(stat -c %s "$work/out.wlm")
measure one-core taskset -c 0

awk -v b="$backup_bytes" -v s="$size" '
  { seconds[$1] = $2; kib[$1] = $3; cpu[$1] = $4 + $5 }
  END {
    printf "%-10s %9s %10s %9s\n", "run", "seconds", "peak MiB", "CPU s"
    n = split("both-cores one-core", runs, " ")
    for (i = 1; i <= n; i++)
      printf "%-10s %9.2f %10.1f %9.1f\n", runs[i], seconds[runs[i]], kib[runs[i]] / 1024, cpu[runs[i]]
    printf "backup file: %.1f MiB (%.1f %% of the store)\n", b / 1048576, 100 * b / s
    r = seconds["both-cores"] / seconds["one-core"]
    peak = kib["both-cores"] > kib["one-core"] ? kib["both-cores"] : kib["one-core"]
    print "targets:"
    printf "  both cores <= 0.55 x one    %6.2f x      %s\n", r, r <= 0.55 ? "met" : "MISSED"
    printf "  peak memory < 64 MiB       %6.1f MiB    %s\n", peak / 1024, peak < 64 * 1024 ? "met" : "MISSED"
  }' "$work/results"

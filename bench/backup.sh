#!/usr/bin/env bash
# Times quillstow's unattended backup of all eleven items of a sample Wine prefix beside
# zip and 7z packing the same folders with the same password, in one run, and prints
# seconds, peak memory, archive sizes, the ratios and whether the targets hold.
#
#   bench/backup.sh [SIZE_BYTES] [PASSWORD]     (default 1 GiB of messages, password "pw")
#   bench/backup.sh --memory-flat [PASSWORD]    quillstow alone at 200 MB and at 2 GB, to
#                                               see whether its peak memory stays flat
#
# Hold the build lock while it runs, so no compile skews the timings:
#   flock /tmp/quill-build.lock bash bench/backup.sh
#
# zip and 7z get exactly what the backup reads: the account folders of the mail store (not
# Backup, Your Feeds, Sentinel) and its Calendars folder, the *oeaccount and
# *msmessagestore files beside them, the folders of the contacts folder and the files of the
# stationery folder. The registry exports the backup adds are a few KiB and are left out.
# quillstow runs from a copy in the work folder, so its log, registry exports and descriptor
# land there and go with it. Everything is made in one folder under /tmp, removed on exit.
set -euo pipefail
cd "$(dirname "$0")/.."

usage() {
  sed -n '6,8p' "$0" | sed 's/^# \{0,1\}//'
  exit "${1:-0}"
}

mode=compare
case "${1:-}" in
  -h | --help) usage 0 ;;
  --memory-flat) mode=flat; shift ;;
esac
if [ "$mode" = compare ]; then
  size=${1:-1073741824}
  password=${2-pw}
else
  password=${1-pw}
fi
[ "$mode" = flat ] || [[ "$size" =~ ^[0-9]+$ ]] || { echo "backup.sh: SIZE_BYTES must be a number" >&2; usage 2; }
# The unattended command line splits its fields at "=".
[[ "$password" != *=* ]] || { echo "backup.sh: the password cannot hold \"=\"" >&2; exit 2; }

flock -n /tmp/quill-build.lock true 2>/dev/null &&
  echo "backup.sh: warning: the build lock is free; run it under flock /tmp/quill-build.lock" >&2
bash scripts/install-deps.sh
command -v /usr/bin/time >/dev/null || {
  sudo=(); [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" apt-get install -y -qq time >/dev/null
}
bash scripts/build.sh >/dev/null

user=$(id -un)
work=$(mktemp -d /tmp/quill-backup-bench.XXXXXX)
cleanup() { rm -rf "$work"; }
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
mkdir "$work/bin"
cp build/bin/quillstow "$work/bin/quillstow"

# need_room BYTES: stops when the disk under the work folder has less than BYTES free.
need_room() {
  local free
  free=$(df -B1 --output=avail "$work" | tail -n 1 | tr -d ' ')
  if [ "$free" -lt "$1" ]; then
    printf 'backup.sh: %s MiB free under /tmp, %s MiB needed\n' \
      $((free / 1048576)) $(($1 / 1048576)) >&2
    exit 1
  fi
}

# make_prefix SIZE: writes the sample prefix into $work/prefix and sets mail, contacts and
# stationery to the folders quillstow itself finds there.
make_prefix() {
  rm -rf "$work/prefix"
  build/bin/quillstow-sample "$work/prefix" --size "$1" >/dev/null
  local report
  report=$(WINEPREFIX="$work/prefix" "$work/bin/quillstow")
  mail=$(sed -n 's/^Mail store: //p' <<<"$report")
  contacts=$(sed -n 's/^Contacts: *//p' <<<"$report")
  stationery=$(sed -n 's/^Stationery: //p' <<<"$report")
  for folder in "$mail" "$contacts" "$stationery"; do
    [ -d "$folder" ] || { echo "backup.sh: quillstow found no folder \"$folder\"" >&2; exit 1; }
  done
}

# cpu_busy: jiffies all processors have spent busy since boot.
cpu_busy() { awk '/^cpu / { print $2 + $3 + $4 + $7 + $8 }' /proc/stat; }
hz=$(getconf CLK_TCK)

# skewed SECONDS OTHERS: true when other processes took enough processor time during a run
# of SECONDS to skew it.
skewed() { awk -v s="$1" -v o="$2" 'BEGIN { exit !(o > 0.25 + 0.05 * s) }'; }

# measure NAME DIR COMMAND...: runs COMMAND in DIR and appends "NAME seconds peak-KiB
# others-CPU-seconds" to $work/results, the last being the processor time other processes
# took meanwhile. A run that others skewed is tried again, up to $tries runs, and the least
# skewed one is kept. Before each run its output ($work/out-NAME*) is removed and the disk
# synced; the command's messages go to $work/NAME.log.
tries=3
measure() {
  local name=$1 dir=$2; shift 2
  local attempt before after seconds kib user system others best=
  for ((attempt = 1; attempt <= tries; attempt++)); do
    rm -rf "$work/out-$name"*
    sync
    before=$(cpu_busy)
    if ! (cd "$dir" && /usr/bin/time -f "%e %M %U %S %O" -o "$work/time" "$@" >"$work/$name.log" 2>&1); then
      echo "backup.sh: $name failed:" >&2
      tail -n 20 "$work/$name.log" >&2
      exit 1
    fi
    after=$(cpu_busy)
    read -r seconds kib user system outputs <"$work/time"
    others=$(awk -v s="$seconds" -v u="$user" -v y="$system" -v b="$before" -v a="$after" \
      -v hz="$hz" 'BEGIN { o = (a - b) / hz - u - y; printf "%.1f", o < 0 ? 0 : o }')
    if [ -z "$best" ] || awk -v o="$others" -v b="${best##* }" 'BEGIN { exit !(o < b) }'; then
      best="$name $seconds $kib $outputs $others"
    fi
    skewed "$seconds" "$others" || break
    [ "$attempt" -lt "$tries" ] && echo "($name: other processes took ${others} CPU s during the run; again)" >&2
  done
  echo "$best" >>"$work/results"
}

# busy_note: a warning for each kept run that other processes skewed.
busy_note() {
  while read -r name seconds _ _ others; do
    if skewed "$seconds" "$others"; then
      echo "warning: other processes took $others CPU s during $name ($seconds s): its timing is skewed"
    fi
  done <"$work/results"
}

# run_quillstow NAME: the unattended backup of all eleven items into $work/out-NAME.wlm;
# sets wlm to the file it wrote.
run_quillstow() {
  local name=$1
  measure "$name" "$work" env WINEPREFIX="$work/prefix" "$work/bin/quillstow" \
    "sf=${user}xm=11111111111ps=${password}bf=$work/out-$name.wlm"
  # A settings file that asks for a dated file each run changes the name; take what is there.
  wlm=$(find "$work" -maxdepth 1 -name "out-$name*.wlm" | head -n 1)
  [ -n "$wlm" ] || { echo "backup.sh: quillstow wrote no backup file" >&2; exit 1; }
  [ ! -e "$work/out-$name.wlm.parts" ] || { echo "backup.sh: quillstow left out-$name.wlm.parts" >&2; exit 1; }
}

if [ "$mode" = flat ]; then
  small=209715200 large=2147483648
  need_room $((3 * large + 268435456))
  : >"$work/results"
  : >"$work/files"
  for size in $small $large; do
    make_prefix "$size"
    find "$mail" "$contacts" "$stationery" -type f | wc -l >>"$work/files"
    run_quillstow "q$size"
    rm -f "$wlm"
    rm -rf "$work/prefix"
  done
  paste -d ' ' "$work/results" "$work/files" | awk '
    { name[NR] = substr($1, 2); seconds[NR] = $2; kib[NR] = $3; others[NR] = $5; files[NR] = $6 }
    END {
      printf "%-15s %8s %9s %10s %13s\n", "sample --size", "files", "seconds", "peak MiB", "others CPU s"
      for (i = 1; i <= NR; i++)
        printf "%-15s %8d %9.2f %10.1f %13.1f\n", name[i], files[i], seconds[i], kib[i] / 1024, others[i]
      growth = (kib[2] - kib[1]) / 1024
      printf "peak memory at 10x the data: %+.1f MiB (%.2fx, %.0f bytes per extra file): %s\n",
             growth, kib[2] / kib[1], (kib[2] - kib[1]) * 1024 / (files[2] - files[1]),
             kib[2] <= kib[1] * 1.10 + 4096 ? "flat (within 10% + 4 MiB)" : "NOT flat"
      printf "peak memory < 64 MiB at the larger size: %s\n", kib[2] < 64 * 1024 ? "met" : "MISSED"
    }'
  busy_note
  exit 0
fi

need_room $((3 * size + 268435456))
make_prefix "$size"

# What the backup reads, relative to the profile folder that holds all three folders.
profile=$(dirname "$(dirname "$stationery")")
inputs=()
while IFS= read -r -d '' path; do inputs+=("$(realpath --relative-to="$profile" "$path")"); done < <(
  find "$mail" -mindepth 1 -maxdepth 1 -type d \
    ! -name Backup ! -name 'Your Feeds' ! -name Sentinel -print0
  find "$mail" -mindepth 1 -maxdepth 1 -type f \( -iname '*oeaccount' -o -iname '*msmessagestore' \) -print0
  find "$contacts" -mindepth 1 -maxdepth 1 -type d -print0
  find "$stationery" -mindepth 1 -maxdepth 1 -type f -print0)
read -r input_files input_bytes < <(cd "$profile" && find "${inputs[@]}" -type f -printf '%s\n' |
  awk '{ n++; b += $1 } END { print n, b }')
printf 'input: %s MiB in %s files (sample --size %s); password "%s"\n' \
  "$(awk -v b="$input_bytes" 'BEGIN { printf "%.1f", b / 1048576 }')" "$input_files" "$size" "$password"

zip_pass=(); sevenz_pass=(); unzip_pass=()
if [ -n "$password" ]; then
  zip_pass=(-P "$password"); sevenz_pass=(-mem=ZipCrypto "-p$password"); unzip_pass=(-P "$password")
fi
: >"$work/results"

run_quillstow quillstow
# Not timed: the backup file must open with the password and pass its CRC checks.
unzip -tqq "${unzip_pass[@]}" "$wlm" >/dev/null || { echo "backup.sh: the backup file does not test clean" >&2; exit 1; }
size_q=$(stat -c %s "$wlm"); rm -f "$wlm"

measure zip "$profile" zip -r -q "${zip_pass[@]}" "$work/out-zip.zip" "${inputs[@]}"
size_z=$(stat -c %s "$work/out-zip.zip"); rm -f "$work/out-zip.zip"

measure 7z "$profile" 7z a -bd -tzip -mx=5 -mmt=2 "${sevenz_pass[@]}" "$work/out-7z.zip" "${inputs[@]}"
size_s=$(stat -c %s "$work/out-7z.zip"); rm -f "$work/out-7z.zip"

awk -v zq="$size_q" -v zz="$size_z" -v zs="$size_s" '
  { seconds[$1] = $2; kib[$1] = $3; outputs[$1] = $4; others[$1] = $5 }
  END {
    bytes["quillstow"] = zq; bytes["zip"] = zz; bytes["7z"] = zs
    printf "%-10s %9s %10s %14s %9s %13s\n", "tool", "seconds", "peak MiB", "archive bytes",
           "% of zip", "others CPU s"
    n = split("quillstow zip 7z", tools, " ")
    for (i = 1; i <= n; i++) {
      t = tools[i]
      printf "%-10s %9.2f %10.1f %14d %9.1f %13.1f\n", t, seconds[t], kib[t] / 1024, bytes[t],
             100 * bytes[t] / zz, others[t]
    }
    rz = seconds["quillstow"] / seconds["zip"]; rs = seconds["quillstow"] / seconds["7z"]
    printf "time ratio: quillstow/zip %.2f   quillstow/7z %.2f\n", rz, rs
    dz = 100 * (zq - zz) / zz; peak = kib["quillstow"] / 1024
    # File system outputs come in 512-byte blocks: the bytes quillstow wrote to the disk.
    wrote = outputs["quillstow"] * 512 / zq
    print "targets:"
    printf "  wall time <= 0.25 x zip     %6.2f x      %s\n", rz, rz <= 0.25 ? "met" : "MISSED"
    printf "  wall time <= 0.40 x 7z      %6.2f x      %s\n", rs, rs <= 0.40 ? "met" : "MISSED"
    printf "  size within 1%% of zip -6   %+6.1f %%      %s\n", dz, (dz <= 1 && dz >= -1) ? "met" : "MISSED"
    printf "  peak memory < 64 MiB       %6.1f MiB    %s\n", peak, peak < 64 ? "met" : "MISSED"
    printf "  bytes written <= 1.02 x    %6.2f x      %s\n", wrote, wrote <= 1.02 ? "met" : "MISSED"
  }' "$work/results"
busy_note

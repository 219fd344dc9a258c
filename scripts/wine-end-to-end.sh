#!/usr/bin/env bash
# The Windows program end to end under Wine: puts a small sample mail profile (from the Linux
# quillstow-sample) into the Wine prefix, its folders below drive_c and its registry keys
# through `reg import`; backs it up with the unattended command line of quillstow.exe (a
# password and a target folder with characters outside ASCII); reads the backup whole with
# `quillstow-cli.exe verify`; backs the same profile up with the Linux quillstow-cli over the
# prefix's files and compares the two backups entry by entry; restores the first backup with
# `quillstow-cli.exe restore` into a second profile (another user folder, the item keys
# removed first); and compares the restored files byte for byte with the sample and the
# restored keys value for value (`reg export`) with those put in (read from the prefix's
# user.reg). Fails, saying what differed, on any difference.
#
# Run by scripts/wine-test.sh --whole in its fresh prefix ($WINEPREFIX, with HOME, WINEDEBUG
# and the DLL overrides set there). Without WINEPREFIX it makes its own prefix in a temporary
# folder and removes it at the end. WIN_BIN (default build-windows/bin) names the folder of
# quillstow.exe and quillstow-cli.exe; quillstow-sample and quillstow-cli come from build/bin
# (BUILD_DIR_LINUX), built when missing. KEEP_SCRATCH=1 keeps the temporary folder (and its prefix) to look into. Run it under a locale whose Windows code page is 1252 (the default).
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD

say() { echo "wine-end-to-end: $*"; }
die() {
  echo "wine-end-to-end: FAILED: $*" >&2
  exit 1
}

win_bin=$(cd "${WIN_BIN:-build-windows/bin}" && pwd)
for program in quillstow.exe quillstow-cli.exe; do
  [ -f "$win_bin/$program" ] || die "$win_bin/$program is missing (scripts/build-windows.sh builds it)"
done

linux_build=${BUILD_DIR_LINUX:-build}
sample_tool=$(realpath -m "$linux_build/bin/quillstow-sample")
linux_cli=$(realpath -m "$linux_build/bin/quillstow-cli")
missing=()
[ -x "$sample_tool" ] || missing+=(quillstow-sample)
[ -x "$linux_cli" ] || missing+=(quillstow-cli)
if [ ${#missing[@]} -gt 0 ]; then
  say "building ${missing[*]} in $linux_build"
  cmake -S . -B "$linux_build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  nice -n 19 cmake --build "$linux_build" --target "${missing[@]}" -j "${JOBS:-2}" >/dev/null
fi

started=$SECONDS
scratch=$(mktemp -d "${TMPDIR:-/tmp}/quillstow-e2e.XXXXXX")
own_prefix=
if [ -z "${WINEPREFIX:-}" ]; then
  own_prefix=1
  export HOME=$scratch/home WINEPREFIX=$scratch/prefix WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  unset DISPLAY WAYLAND_DISPLAY
  mkdir -p "$HOME"
fi
finish() {
  if [ -n "$own_prefix" ]; then
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
  fi
  if [ -n "${KEEP_SCRATCH:-}" ]; then
    echo "wine-end-to-end: kept $scratch" >&2
  else
    rm -rf "$scratch"
  fi
}
trap finish EXIT
if [ -n "$own_prefix" ]; then
  say "making a fresh prefix with $(wine --version)"
  wineboot -i >"$scratch/wineboot.log" 2>&1 || {
    cat "$scratch/wineboot.log" >&2
    die "wineboot could not make the prefix"
  }
  wineserver -w
fi

helper=(python3 "$repo/scripts/lib/e2e_files.py")
mail_key='HKEY_CURRENT_USER\Software\Microsoft\Windows Live Mail'
shells_key='HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders'
password='Grüße!'

mail_hive_key='Software\Microsoft\Windows Live Mail'

# The keys are read from the prefix's user.reg, which has every value's type and bytes as
# they are (reg export cannot show all of them so); wineserver writes it when it ends.
flush_registry() {
  wineserver -w
  [ -f "$WINEPREFIX/user.reg" ] || die "the prefix has no user.reg"
}

# Windows' view of a command's output: CR LF lines.
wine_text() { wine "$@" 2>/dev/null | tr -d '\r'; }

user=$(wine_text cmd /c echo %USERNAME%)
[ -n "$user" ] || die "Wine names no user"
first_home=$WINEPREFIX/drive_c/users/$user
[ -d "$first_home" ] || die "the Wine user's folder $first_home is missing"

# 1. The first profile: the sample's folders in the user's folder, its keys imported.
"$sample_tool" "$scratch/sample" --size 96K --user "$user" >/dev/null
sample_home=$scratch/sample/drive_c/users/$user
# Wine links some of the user's folders (Documents) to HOME; they stay links.
tar -C "$sample_home" -cf - . | tar -C "$first_home" --keep-directory-symlink -xf -
"${helper[@]}" hive-to-reg "$scratch/sample/user.reg" "$mail_hive_key" \
  "$scratch/profile.reg" >/dev/null
wine reg import "$(winepath -w "$scratch/profile.reg")" >/dev/null 2>&1 || die "reg import failed"
flush_registry
cp "$WINEPREFIX/user.reg" "$scratch/imported.reg"
if ! "${helper[@]}" compare-hive "$scratch/sample/user.reg" "$scratch/imported.reg" \
  "$mail_hive_key" --imported >"$scratch/reg.out"; then
  cat "$scratch/reg.out" >&2
  die "the keys Wine holds after reg import are not the sample's (above)"
fi

# The programs in a folder of their own, where they keep their log.
program_dir=$WINEPREFIX/drive_c/quillstow
mkdir -p "$program_dir"
cp "$win_bin/quillstow.exe" "$win_bin/quillstow-cli.exe" "$program_dir/"
quillstow='C:\quillstow\quillstow.exe'
cli='C:\quillstow\quillstow-cli.exe'

# 2. The unattended backup.
target_dir="$first_home/Sicherung José"
mkdir -p "$target_dir"
target="C:\\users\\$user\\Sicherung José\\Postfach.wlm"
say "backing up: quillstow.exe \"sf=${user}xm=11111111111ps=…bf=$target\""
status=0
wine "$quillstow" "sf=${user}xm=11111111111ps=${password}bf=${target}" \
  >"$scratch/backup.out" 2>&1 || status=$?
log=$program_dir/brlog.dat
if [ -f "$log" ]; then
  # The log is in the ANSI code page; its lines of this run are all ASCII but the target's.
  tr -d '\r' <"$log" | iconv -f CP1252 -t UTF-8 | grep -v '^$' | grep -v '^\.*$' \
    >"$scratch/backup.log" || true
fi
if [ "$status" -ne 0 ]; then
  cat "$scratch/backup.out" "$scratch/backup.log" >&2 2>/dev/null || true
  die "the unattended backup exited with $status (0 = done, 1 = nothing written, 2 = command line not understood, 3 = an item failed)"
fi
[ -f "$target_dir/Postfach.wlm" ] || die "the unattended backup exited 0 but wrote no $target"
[ -s "$scratch/backup.log" ] || die "the unattended backup wrote no log in $log"
succeeded=$(grep -c ' Succeeded!$' "$scratch/backup.log" || true)
if grep -q ' Fail!$' "$scratch/backup.log" || [ "$succeeded" -ne 11 ] ||
  ! tail -n1 "$scratch/backup.log" | grep -q ' Data was Completed!$'; then
  cat "$scratch/backup.log" >&2
  die "the backup's log does not say that all eleven items succeeded and the run completed"
fi

# 3. The backup read whole, with the password from the environment (the ANSI code page).
if ! QUILLSTOW_PASSWORD=$password wine "$cli" verify "$target" >"$scratch/verify.out" 2>&1; then
  cat "$scratch/verify.out" >&2
  die "quillstow-cli verify does not accept the backup with the password given on the command line"
fi

# 3a. The same profile backed up by the Linux build, over the prefix's files, with the same
# password and description; once wineserver has written user.reg and ended, so that nothing
# rewrites the files while it reads them. It runs from a folder of its own, where it keeps its
# log and its registry exports. The two backups must agree entry by entry (e2e_files.py
# compare-backups): the platform layers read the same profile the same way.
flush_registry
linux_dir=$scratch/linux
mkdir -p "$linux_dir"
cp "$linux_cli" "$linux_dir/"
linux_target=$linux_dir/Postfach.wlm
compare_started=$SECONDS
if ! QUILLSTOW_PASSWORD=$password "$linux_dir/quillstow-cli" backup "$linux_target" \
  --items 11111111111 --description 'Auto Backup' --quiet >"$scratch/linux-backup.out" 2>&1; then
  cat "$scratch/linux-backup.out" >&2
  die "the Linux quillstow-cli backup of the prefix failed"
fi
if ! "${helper[@]}" compare-backups "$target_dir/Postfach.wlm" "$linux_target" \
  --password "$password" >"$scratch/backups.out" 2>&1; then
  cat "$scratch/backups.out" >&2
  die "the Windows and the Linux backup of the same profile differ (above: first the Windows one, second the Linux one)"
fi
# The comparison finds a changed byte in an export and a file missing from an inner archive.
"${helper[@]}" spoil-backup "$linux_target" "$scratch/spoilt.wlm" --password "$password" \
  >"$scratch/spoil.out" || die "could not write the spoilt copy of the Linux backup"
if "${helper[@]}" compare-backups "$target_dir/Postfach.wlm" "$scratch/spoilt.wlm" \
  --password "$password" >"$scratch/spoilt-compare.out" 2>&1 ||
  ! grep -q 'differs (' "$scratch/spoilt-compare.out" ||
  ! grep -q 'in the first only$' "$scratch/spoilt-compare.out"; then
  cat "$scratch/spoil.out" "$scratch/spoilt-compare.out" >&2
  die "the comparison of backups does not find what was spoilt in a copy (above)"
fi
say "the Windows and the Linux backup agree: $(cat "$scratch/backups.out") ($((SECONDS - compare_started)) s)"

# 4. The second profile: another user folder for the shell folders the profile is found by,
# with the empty mail store the mail client sets up; the item keys removed, so that every
# value compared below is one the restore wrote.
second_name='Zoë Zweit'
second_home=$WINEPREFIX/drive_c/users/$second_name
mkdir -p "$second_home/AppData/Local/Microsoft/Windows Live Mail" "$second_home/Documents"
wine reg add "$shells_key" /v "Local AppData" /t REG_EXPAND_SZ \
  /d "C:\\users\\$second_name\\AppData\\Local" /f >/dev/null 2>&1 || die "reg add failed"
wine reg add "$shells_key" /v Personal /t REG_EXPAND_SZ \
  /d "C:\\users\\$second_name\\Documents" /f >/dev/null 2>&1 || die "reg add failed"
for item_key in 'Rules\Mail' 'Rules\News' PerPassportSettings signatures 'Advanced Settings'; do
  wine reg delete "$mail_key\\$item_key" /f >/dev/null 2>&1 || die "reg delete $item_key failed"
done

# The password from a file, as Windows' editors write it: in the ANSI code page.
printf '%s\r\n' "$password" | iconv -f UTF-8 -t CP1252 >"$scratch/password.txt"
if ! wine "$cli" restore "$target" --password-file "$(winepath -w "$scratch/password.txt")" \
  >"$scratch/restore.out" 2>&1; then
  cat "$scratch/restore.out" >&2
  die "quillstow-cli restore failed"
fi

# 5. File by file: the restored profile against the sample. The backup does not carry the
# mail store's own database logs beside the message stores, the folders it leaves out
# (Backup, Your Feeds, Sentinel) nor the signature file in Documents.
mail_rel='AppData/Local/Microsoft/Windows Live Mail'
skips=(--skip "Documents/signature.htm" --skip Temp --skip AppData/Roaming)
for folder in Backup 'Your Feeds' Sentinel; do skips+=(--skip "$mail_rel/$folder"); done
for path in "$sample_home/$mail_rel"/*; do
  name=${path##*/}
  [ -f "$path" ] || continue
  case ${name,,} in
    *.oeaccount | *.msmessagestore) ;;
    *) skips+=(--skip "$mail_rel/$name") ;;
  esac
done
if ! "${helper[@]}" compare-tree "$sample_home" "$second_home" "${skips[@]}" >"$scratch/tree.out"; then
  cat "$scratch/tree.out" >&2
  die "the restored files differ from the sample's (above)"
fi
files=$(find "$second_home" -type f | wc -l)

# Key by key: the keys after the restore against those put in.
flush_registry
if ! "${helper[@]}" compare-hive "$scratch/imported.reg" "$WINEPREFIX/user.reg" \
  "$mail_hive_key" >"$scratch/reg.out"; then
  cat "$scratch/reg.out" >&2
  die "the restored keys differ from those put in (above)"
fi

keys=$(grep -c '^\[' <(iconv -f UTF-16 -t UTF-8 "$scratch/profile.reg"))
say "backup, verify and restore agree: $files files and $keys keys compared ($((SECONDS - started)) s)"

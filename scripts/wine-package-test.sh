#!/usr/bin/env bash
# The Windows packages as a user gets them, under Wine: scripts/package-windows.sh makes them
# from BIN_DIR (default build-windows/bin) into DIST_DIR (default build-windows/dist), and in
# a fresh prefix in a temporary folder
#   - the portable ZIP holds the programs and README.md; unpacked, it keeps its log beside
#     itself and nothing in %LOCALAPPDATA%\quillstow;
#   - the installer, run with /S, puts the programs in Program Files, the Start-menu entry
#     and the Uninstall key in place;
#   - with the install folder made read-only (as it is for a user who is no administrator),
#     the installed programs tell their version, read settings.dat and write their log and
#     scratch files in %LOCALAPPDATA%\quillstow, and leave the install folder as it was;
#   - the uninstaller, run with /S, takes away what the installer put there and leaves the
#     user's files in %LOCALAPPDATA%\quillstow alone.
# Wine runs headless under a temporary HOME; run as root, it runs as the user nobody, so that
# a folder's missing write permission holds for it. Fails, naming each failed check, when one
# fails. scripts/wine-test.sh --whole runs it after the test programs.
#   bash scripts/wine-package-test.sh
set -euo pipefail
cd "$(dirname "$0")/.."

bin_dir=${BIN_DIR:-build-windows/bin}
version=$(sed -n 's/^project(quillstow VERSION \([0-9][0-9.]*\).*/\1/p' CMakeLists.txt)
mapfile -t packages < <(BIN_DIR=$bin_dir bash scripts/package-windows.sh)
zip_file=${packages[0]}
setup_file=${packages[1]}

failures=()
fail() {
  echo "wine-package-test: FAILED: $*" >&2
  failures+=("$*")
}
die() {
  echo "wine-package-test: FAILED: $*" >&2
  exit 1
}
# Ends the run when a group of checks found faults: what follows builds on it.
end_of_group() {
  [ ${#failures[@]} -eq 0 ] || die "${#failures[@]} check(s) failed above"
}

# as_user <command>...: the command as the user Wine runs as.
if [ "$(id -u)" -eq 0 ]; then
  as_user() { setpriv --reuid=nobody --regid=nogroup --clear-groups "$@"; }
else
  as_user() { "$@"; }
fi
scratch=$(mktemp -d "${TMPDIR:-/tmp}/quillstow-winpkg.XXXXXX")
stop_wine() {
  if [ -d "$scratch/prefix" ]; then
    as_user wineserver -k 2>/dev/null || true
    as_user wineserver -w 2>/dev/null || true
  fi
  chmod -R u+w "$scratch" 2>/dev/null || true
  rm -rf "$scratch"
}
trap stop_wine EXIT
chmod 755 "$scratch"
export HOME=$scratch/home
export WINEPREFIX=$scratch/prefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
mkdir -p "$HOME" "$scratch/work"
cp "$zip_file" "$setup_file" "$scratch/work/"
[ "$(id -u)" -ne 0 ] || chown -R nobody: "$scratch"

# win <command>...: a Windows program under Wine, to its end and every process it started.
win() {
  local status=0
  as_user wine "$@" || status=$?
  as_user wineserver -w
  return "$status"
}
# unix_path <windows path>
unix_path() { as_user winepath -u "$1"; }
# variable <name>: a Windows environment variable's value.
variable() { as_user wine cmd /c "echo %$1%" | tr -d '\r' | sed 's/ *$//'; }

echo "wine-package-test: a fresh prefix with $(wine --version)"
as_user wineboot -i >"$scratch/wineboot.log" 2>&1 || {
  cat "$scratch/wineboot.log" >&2
  die "wineboot could not make the prefix"
}
as_user wineserver -w

local_data=$(unix_path "$(variable LOCALAPPDATA)\\quillstow")
program_files=$(variable ProgramFiles)
start_menu=$(unix_path "$(variable ProgramData)\\Microsoft\\Windows\\Start Menu\\Programs")
[ -n "$program_files" ] && [ -n "$local_data" ] || die "Wine names no Program Files or LOCALAPPDATA"
install_win="$program_files\\quillstow"
install_dir=$(unix_path "$install_win")
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\quillstow'

# A Windows Live Mail profile for the backups: its key, and a mail rule whose export is
# made in a scratch file.
mail_key='HKCU\Software\Microsoft\Windows Live Mail'
win reg add "$mail_key" /v "Store Root" /d '%LOCALAPPDATA%\Microsoft\Windows Live Mail' /f >/dev/null
win reg add "$mail_key\\Rules\\Mail\\000" /v Name /d "Keep the invoices" /f >/dev/null
backups=$(unix_path 'C:\backups')
as_user mkdir -p "$backups"

# same_files <folder>: the folder holds the programs and README.md that were packed.
same_files() {
  local file
  for file in quillstow.exe quillstow-cli.exe README.md; do
    local source=$bin_dir/$file
    [ "$file" = README.md ] && source=README.md
    cmp -s "$source" "$1/$file" || fail "$1/$file is missing or not the one packed"
  done
}
# rule_in_backup <backup file>: the backup holds the mail rule, exported through a scratch file.
rule_in_backup() {
  local unpacked=$scratch/unpacked
  rm -rf "$unpacked"
  mkdir "$unpacked"
  (cd "$unpacked" && cmake -E tar xf "$1") || { fail "$1 cannot be unpacked"; return; }
  grep -qsF '"Name"= sz:Keep the invoices' "$unpacked"/OBR*.tmp ||
    fail "$1 holds no export of the mail rule"
}

echo "wine-package-test: the portable ZIP"
portable_parent=$(unix_path 'C:\portable')
as_user mkdir -p "$portable_parent"
(cd "$portable_parent" && as_user cmake -E tar xf "$scratch/work/${zip_file##*/}")
portable=$portable_parent/quillstow-$version-win64
listing=$(cd "$portable_parent" && find . -mindepth 1 | LC_ALL=C sort | tr '\n' ' ')
expected="./quillstow-$version-win64 ./quillstow-$version-win64/README.md ./quillstow-$version-win64/quillstow-cli.exe ./quillstow-$version-win64/quillstow.exe "
[ "$listing" = "$expected" ] || fail "the ZIP holds '$listing', not '$expected'"
same_files "$portable"
portable_win="C:\\portable\\quillstow-$version-win64"
status=0
win "$portable_win\\quillstow.exe" "sf=nobodyxm=01000000000ps=bf=C:\\backups\\portable.wlm" || status=$?
[ "$status" -eq 0 ] || fail "the portable quillstow.exe's backup ended with $status"
grep -qs "Backup Mail Rules Succeeded!" "$portable/brlog.dat" ||
  fail "the portable quillstow.exe wrote no log beside itself"
rule_in_backup "$backups/portable.wlm"
[ ! -e "$local_data" ] || fail "the portable program made $local_data"
end_of_group

echo "wine-package-test: the installer, silently"
status=0
win "$scratch/work/${setup_file##*/}" /S || status=$?
[ "$status" -eq 0 ] || die "the installer ended with $status"
same_files "$install_dir"
[ -s "$install_dir/uninstall.exe" ] || fail "no uninstall.exe in $install_dir"
shortcut="$start_menu/quillstow.lnk"
if [ ! -s "$shortcut" ]; then
  fail "no Start-menu entry $shortcut"
elif ! grep -qaF "$install_win\\quillstow.exe" "$shortcut"; then
  fail "the Start-menu entry does not start $install_win\\quillstow.exe"
fi
# reg_value <name>: a value of the uninstall key as reg shows it, after its type.
reg_values=$(win reg query "$uninstall_key" /reg:64 | tr -d '\r') || die "no uninstall key $uninstall_key"
reg_value() { sed -n "s/^ *$1 *REG_[A-Z_]* *//p" <<<"$reg_values"; }
[ "$(reg_value DisplayName)" = quillstow ] || fail "DisplayName is '$(reg_value DisplayName)'"
[ "$(reg_value DisplayVersion)" = "$version" ] || fail "DisplayVersion is '$(reg_value DisplayVersion)', not $version"
[ "$(reg_value InstallLocation)" = "$install_win" ] || fail "InstallLocation is '$(reg_value InstallLocation)'"
[ "$(reg_value UninstallString)" = "\"$install_win\\uninstall.exe\"" ] ||
  fail "UninstallString is '$(reg_value UninstallString)'"
[ "$(reg_value QuietUninstallString)" = "\"$install_win\\uninstall.exe\" /S" ] ||
  fail "QuietUninstallString is '$(reg_value QuietUninstallString)'"
end_of_group

echo "wine-package-test: the installed programs, their folder not writable"
# A user who is no administrator cannot write Program Files; under Wine the Unix permission
# stands in for that. The user's folder already holds a file of theirs, and settings that ask
# for a new dated file on each unattended run.
chmod a-w "$install_dir"
before=$(ls -la --time-style=full-iso "$install_dir")
as_user mkdir -p "$local_data"
printf 'my notes\r\n' | as_user tee "$local_data/my-notes.txt" >/dev/null
printf '[autobackup]\r\nautobackupfile=1\r\n' | as_user tee "$local_data/settings.dat" >/dev/null
cp -p "$local_data/my-notes.txt" "$local_data/settings.dat" "$scratch/"

shown=$(win "$install_win\\quillstow-cli.exe" --version | tr -d '\r') || fail "quillstow-cli --version failed"
[ "$shown" = "quillstow-cli $version" ] || fail "quillstow-cli --version shows '$shown', not 'quillstow-cli $version'"
status=0
win "$install_win\\quillstow.exe" "sf=nobodyxm=01000000000ps=bf=C:\\backups\\mail.wlm" || status=$?
[ "$status" -eq 0 ] || fail "the installed quillstow.exe's backup ended with $status"
dated=("$backups"/mail-*.wlm)
if [ -e "$backups/mail.wlm" ] || [ ${#dated[@]} -ne 1 ] || [ ! -s "${dated[0]}" ]; then
  fail "settings.dat in $local_data was not followed: $(cd "$backups" && echo mail*)"
else
  rule_in_backup "${dated[0]}"
fi
status=0
win "$install_win\\quillstow-cli.exe" backup 'C:\backups\cli.wlm' --items 01000000000 >/dev/null || status=$?
[ "$status" -eq 0 ] || fail "the installed quillstow-cli's backup ended with $status"
rule_in_backup "$backups/cli.wlm"
log_lines=$(grep -c "Backup Mail Rules Succeeded!" "$local_data/brlog.dat" 2>/dev/null || true)
[ "$log_lines" = 2 ] || fail "$local_data/brlog.dat logs ${log_lines:-no} backups, not the 2 made"
grep -qsF 'Backup File is C:\backups\mail-' "$local_data/brlog.dat" ||
  fail "the log does not name the dated backup file"
leftovers=$(cd "$local_data" && ls -A | grep -v -x -e brlog.dat -e settings.dat -e my-notes.txt || true)
[ -z "$leftovers" ] || fail "scratch files left in $local_data: $leftovers"
[ "$(ls -la --time-style=full-iso "$install_dir")" = "$before" ] ||
  fail "the installed programs changed their folder: $(ls -A "$install_dir" | tr '\n' ' ')"
end_of_group

echo "wine-package-test: the uninstaller, silently"
# An administrator can write the folder again.
chmod u+w "$install_dir"
status=0
win "$install_win\\uninstall.exe" /S || status=$?
[ "$status" -eq 0 ] || fail "the uninstaller ended with $status"
[ ! -e "$install_dir" ] || fail "$install_dir is still there: $(ls -A "$install_dir" | tr '\n' ' ')"
[ ! -e "$shortcut" ] || fail "the Start-menu entry is still there"
if win reg query "$uninstall_key" /reg:64 >/dev/null 2>&1; then fail "the uninstall key is still there"; fi
cmp -s "$scratch/my-notes.txt" "$local_data/my-notes.txt" || fail "the user's my-notes.txt is gone or changed"
cmp -s "$scratch/settings.dat" "$local_data/settings.dat" || fail "the user's settings.dat is gone or changed"
[ -s "$local_data/brlog.dat" ] || fail "the user's log brlog.dat is gone"
end_of_group

echo "wine-package-test: the packages install, run and uninstall as they should"

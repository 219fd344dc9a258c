#!/usr/bin/env bash
# Makes the Windows packages of the cross-built programs, into build-windows/dist/:
#   quillstow-VERSION-win64.zip        the portable copy: a folder with quillstow.exe,
#                                      quillstow-cli.exe and README.md, to unpack anywhere
#   quillstow-VERSION-win64-setup.exe  the installer (NSIS, data/windows/quillstow.nsi): for
#                                      every user into Program Files, /S without a question
# VERSION is the project's (CMakeLists.txt). The programs come from BIN_DIR (default
# build-windows/bin, where scripts/build-windows.sh puts them; with the default, a missing
# build is made first), the packages go to DIST_DIR (default build-windows/dist). Installs
# makensis (Debian's nsis) when missing. Prints the two packages' paths, one a line, last.
#   bash scripts/package-windows.sh
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/packages.sh

bin_dir=${BIN_DIR:-build-windows/bin}
dist_dir=${DIST_DIR:-build-windows/dist}
programs=(quillstow.exe quillstow-cli.exe)

missing=()
for program in "${programs[@]}"; do
  [ -s "$bin_dir/$program" ] || missing+=("$program")
done
if [ ${#missing[@]} -gt 0 ]; then
  if [ -n "${BIN_DIR:-}" ]; then
    echo "package-windows: $bin_dir holds no ${missing[*]}" >&2
    exit 1
  fi
  bash scripts/build-windows.sh >&2
fi
# Both must be 64-bit Windows programs: a Linux build in the wrong folder would otherwise be
# packed without a word.
for program in "${programs[@]}"; do
  [ "$(head -c 2 "$bin_dir/$program")" = MZ ] ||
    { echo "package-windows: $bin_dir/$program is no Windows program" >&2; exit 1; }
done

version=$(sed -n 's/^project(quillstow VERSION \([0-9][0-9.]*\).*/\1/p' CMakeLists.txt)
[[ $version =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] ||
  { echo "package-windows: no X.Y.Z version in CMakeLists.txt's project() ('$version')" >&2; exit 1; }

install_missing nsis

name=quillstow-$version-win64
mkdir -p "$dist_dir"
dist_dir=$(cd "$dist_dir" && pwd)
stage=$dist_dir/$name
rm -rf "$stage" "$dist_dir/$name.zip" "$dist_dir/$name-setup.exe"
mkdir "$stage"
cp "${programs[@]/#/$bin_dir/}" README.md "$stage/"

(cd "$dist_dir" && cmake -E tar cf "$name.zip" --format=zip "$name")
makensis -V2 -NOCD -DVERSION="$version" -DSTAGE="$stage" -DOUTFILE="$dist_dir/$name-setup.exe" \
  data/windows/quillstow.nsi >&2
rm -rf "$stage"

for package in "$dist_dir/$name.zip" "$dist_dir/$name-setup.exe"; do
  [ -s "$package" ] || { echo "package-windows: $package was not made" >&2; exit 1; }
done
echo "package-windows: $version, $(stat -c %s "$dist_dir/$name.zip") and" \
  "$(stat -c %s "$dist_dir/$name-setup.exe") bytes" >&2
echo "$dist_dir/$name.zip"
echo "$dist_dir/$name-setup.exe"

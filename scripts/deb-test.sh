#!/usr/bin/env bash
# The Debian package as a user gets it: made by scripts/package.sh, installed into this machine
# with apt (which pulls the libraries it names), checked, and removed again. The checks: the
# menu entry passes desktop-file-validate, the icons and the manual pages are there,
# quillstow-cli tells its version, and the installed quillstow makes an unattended backup of
# the sample profile that the installed quillstow-cli then verifies. Needs root or sudo, and
# build/bin/quillstow-sample (scripts/test.sh builds it). Fails when a step fails.
set -euo pipefail
cd "$(dirname "$0")/.."

source "$(dirname "$0")/lib/packages.sh"

if installed quillstow; then
  echo "deb-test: quillstow is installed on this machine already; remove it first" >&2
  exit 1
fi

deb=$(bash scripts/package.sh | tail -n 1)
deb=$PWD/$deb
echo "deb-test: $deb ($(stat -c %s "$deb") bytes)"
dpkg-deb --field "$deb" Depends

scratch=$(mktemp -d "${TMPDIR:-/tmp}/quillstow-deb.XXXXXX")
installed=no
finish() {
  if [ "$installed" = yes ]; then as_root apt-get remove -y -qq quillstow >/dev/null || true; fi
  rm -rf "$scratch"
}
trap finish EXIT

export DEBIAN_FRONTEND=noninteractive
as_root apt-get install -y -qq "$deb" >/dev/null
installed=yes
echo "deb-test: installed; checking it"
desktop-file-validate /usr/share/applications/quillstow.desktop
for icon in scalable/apps/quillstow.svg 48x48/apps/quillstow.png 256x256/apps/quillstow.png; do
  test -s "/usr/share/icons/hicolor/$icon" || { echo "deb-test: no icon $icon" >&2; exit 1; }
done
for page in quillstow quillstow-cli; do
  MANPAGER=cat MANWIDTH=90 man "$page" 2>/dev/null | grep -q "EXIT STATUS" ||
    { echo "deb-test: man $page shows no page" >&2; exit 1; }
done
version=$(quillstow-cli --version)
expected="quillstow-cli $(sed -n 's/^project(quillstow VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"
[ "$version" = "$expected" ] || { echo "deb-test: '$version', not '$expected'" >&2; exit 1; }

# An unattended backup of every item by the installed program, as a scheduled task makes it;
# its log goes to the user's data folder, nowhere else.
build/bin/quillstow-sample "$scratch/prefix" >/dev/null
export HOME=$scratch/home WINEPREFIX=$scratch/prefix
mkdir -p "$HOME"
quillstow "sf=annaxm=11111111111ps=bf=$scratch/mail.wlm"
quillstow-cli verify "$scratch/mail.wlm"
test -s "$HOME/.local/share/quillstow/brlog.dat"
echo "deb-test: the installed programs back up and verify"

as_root apt-get remove -y -qq quillstow >/dev/null
installed=no
for file in /usr/bin/quillstow /usr/bin/quillstow-cli /usr/share/applications/quillstow.desktop \
  /usr/share/man/man1/quillstow-cli.1.gz /usr/share/icons/hicolor/scalable/apps/quillstow.svg; do
  if [ -e "$file" ]; then echo "deb-test: $file is still there after the removal" >&2; exit 1; fi
done
if installed quillstow; then
  echo "deb-test: quillstow is still installed" >&2
  exit 1
fi
echo "deb-test: removed cleanly"

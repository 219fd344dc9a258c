#!/usr/bin/env bash
# Installs what is missing, builds, and runs quillstow on the Wine prefix in $WINEPREFIX
# (default ~/.wine). Where there is no prefix, it makes the sample profile and runs on it.
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
exec build/bin/quillstow "$@"

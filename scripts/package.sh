#!/usr/bin/env bash
# Makes the Debian package: the programs built for installing (they keep their settings and
# log in the user's data folder), with their menu entry, icons and manual pages, as
# build-deb/quillstow_VERSION_ARCH.deb. BUILD_DIR (default build-deb) names the build folder.
set -euo pipefail
cd "$(dirname "$0")/.."

# dpkg-shlibdeps (dpkg-dev) names the libraries the package depends on.
bash scripts/install-deps.sh --tests

build_dir=${BUILD_DIR:-build-deb}
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
  -DQUILL_TESTS=OFF -DQUILL_USER_DATA_ONLY=ON >/dev/null
cmake --build "$build_dir" -j "${JOBS:-2}"
rm -f "$build_dir"/quillstow_*.deb
(cd "$build_dir" && cpack -G DEB >/dev/null)
ls "$build_dir"/quillstow_*.deb

#!/usr/bin/env bash
# Cross-compiles the whole program for 64-bit Windows with MinGW-w64: quillstow.exe (the
# window, or the unattended backup when started with a command line), quillstow-cli.exe and
# the test programs, into build-windows/bin. libarchive and Qt come static from the folder
# that scripts/build-windows-deps.sh builds once (from Debian's sources) and then reuses.
# BUILD_DIR (default build-windows) names the build folder, BUILD_TYPE (default Release) the
# build type; JOBS (default 2) the parallel jobs.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-windows-deps.sh
prefix=$(bash scripts/build-windows-deps.sh | tail -n1)

build_dir=${BUILD_DIR:-build-windows}
# Qt's host tools (moc, uic, rcc) are Debian's own of the same version.
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-Release}" \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_FIND_ROOT_PATH="$prefix" -DCMAKE_PREFIX_PATH="$prefix" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DQUILL_REQUIRE_GUI=ON >/dev/null
start=$SECONDS
nice -n 15 cmake --build "$build_dir" -j "${JOBS:-2}"
echo "build-windows: built in $((SECONDS - start)) s: $(ls "$build_dir"/bin/*.exe | wc -l) programs in $build_dir/bin"

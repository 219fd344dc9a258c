#!/usr/bin/env bash
# Configures and builds quillstow. BUILD_DIR (default build) names the build folder;
# SANITIZE=ON builds with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${BUILD_DIR:-build}
build_type=${BUILD_TYPE:-RelWithDebInfo}
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE="$build_type" \
  -DQUILL_SANITIZE="${SANITIZE:-OFF}" >/dev/null
cmake --build "$build_dir" -j "${JOBS:-2}"

#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. BUILD_DIR and SANITIZE as for
# scripts/build.sh.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh --tests
bash scripts/build.sh
ctest --test-dir "${BUILD_DIR:-build}" --output-on-failure -j "${JOBS:-2}"

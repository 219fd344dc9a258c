#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a given time on its corpus.
#   bench/fuzz.sh [SECONDS_EACH] [TARGET...]     (default 600 s; every target)
# Findings are written as fuzz/findings/crash-<target>-*; new corpus entries stay in a
# scratch folder, and the ones worth keeping can be copied into fuzz/corpus/<target>/.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-600}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(wine_hive ini descriptor command_line inspect registry_text zip_layout zip_writer)

bash scripts/install-deps.sh
command -v clang++ >/dev/null || {
  sudo=(); [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" apt-get install -y -qq clang libclang-rt-14-dev >/dev/null
}
cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DQUILL_FUZZ=ON -DQUILL_TESTS=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j 2 --target "${targets[@]/#/fuzz_}"

work=$(mktemp -d /tmp/quill-fuzz.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p fuzz/findings
printf '%-14s %8s %12s %8s\n' target seconds executions findings
for target in "${targets[@]}"; do
  mkdir -p "$work/$target"
  cp fuzz/corpus/"$target"/* "$work/$target/"
  set +e
  (cd "$work" && "$OLDPWD/build-fuzz/bin/fuzz_$target" -max_total_time="$seconds" -max_len=8192 \
    -print_final_stats=1 -artifact_prefix="$OLDPWD/fuzz/findings/crash-$target-" "$work/$target" \
    >"$work/$target.log" 2>&1)
  set -e
  runs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$work/$target.log" | grep -o '[0-9]*$' || true)
  [ -n "$runs" ] || runs=$(grep -o '#[0-9]*' "$work/$target.log" | tail -n 1 | tr -d '#')
  found=$(ls fuzz/findings 2>/dev/null | grep -c "crash-$target-" || true)
  printf '%-14s %8s %12s %8s\n' "$target" "$seconds" "${runs:-?}" "$found"
done

#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in a build folder of their own and
# runs each for a while on its seed corpus (fuzz/corpus/<target>/). A crash,
# leak, undefined behaviour, hang or failed check stops the target: the input
# is kept in <build>/fuzz/artifacts/ and the script fails.
#
#   scripts/fuzz-smoke.sh [BUILD_FOLDER] [SECONDS]    (default: build-fuzz 30)
#
# Inputs found during the run go to a scratch folder, not into the repository.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${1:-build-fuzz}
seconds=${2:-30}
jobs=${JOBS:-$(nproc)}
targets=(fuzz_formdata fuzz_controls fuzz_clipboard)

cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSALY_BUILD_FUZZ=ON \
  -DTESSALY_BUILD_TESTS=OFF -DTESSALY_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j "$jobs" --target "${targets[@]}"

artifacts=$root/$build/fuzz/artifacts
mkdir -p "$artifacts"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

failed=0
for target in "${targets[@]}"; do
  log=$root/$build/fuzz/$target.log
  mkdir -p "$scratch/$target"
  options=(-max_total_time="$seconds" -timeout=60 -rss_limit_mb=4096 -artifact_prefix="$artifacts/$target-")
  dictionary=$root/fuzz/${target#fuzz_}.dict
  [ -f "$dictionary" ] && options+=(-dict="$dictionary")
  if "$root/$build/fuzz/$target" "${options[@]}" "$scratch/$target" "$root/fuzz/corpus/$target" >"$log" 2>&1; then
    echo "$target: $(grep -E '^#[0-9]+' "$log" | tail -n 1)"
  else
    echo "$target FAILED (log: $log)"
    grep -E -A 12 'ERROR|runtime error|expectation failed' "$log" | head -n 40 || tail -n 40 "$log"
    failed=1
  fi
done
exit $failed

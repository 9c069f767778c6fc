#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer in a
# build folder of its own and runs the whole test suite there. Any report
# (a memory error, undefined behaviour, or a leak not listed in
# scripts/lsan.supp) ends the program with an error, so its test fails.
#
#   scripts/test-sanitize.sh [BUILD_FOLDER]    (default: build-sanitize)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${1:-build-sanitize}
jobs=${JOBS:-$(nproc)}

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSALY_SANITIZE=ON \
  -DTESSALY_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j "$jobs"

export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1
export LSAN_OPTIONS=suppressions=$root/scripts/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cd "$build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$jobs"

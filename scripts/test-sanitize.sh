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

# Reports go to files as well as to the failing test: a program that serves
# in the background after its standard error went to /dev/null (tessaly
# --clipboard) would otherwise end with a report nobody reads.
reports=$root/$build/sanitizer-reports
rm -rf "$reports"
mkdir -p "$reports"
# Tests run some programs as an unprivileged user, whose reports count too.
chmod 1777 "$reports"
# Qt 6.8's X11 integration asks the desktop portal for its settings as it
# starts and leaves the query's watcher behind when the program ends first
# (LeakSanitizer: 344 bytes, every allocation made in QGenericUnixServices).
# Nothing of ours talks to the portal, and the tests' desktops have none.
export QT_NO_XDG_DESKTOP_PORTAL=1
# Under Wayland Qt loads Mesa's EGL at start even for windows drawn in shared
# memory, as ours are; Mesa keeps a block for the process's life and may
# unload the driver before the leak check, which then cannot name its module
# to let it through. The suite's Wayland windows use shared memory alone.
export QT_WAYLAND_CLIENT_BUFFER_INTEGRATION=none
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1:log_path=$reports/asan:log_exe_name=1
export LSAN_OPTIONS=suppressions=$root/scripts/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1:log_path=$reports/ubsan:log_exe_name=1
cd "$build"
status=0
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$jobs" || status=$?
if [ -n "$(ls -A "$reports")" ]; then
  for report in "$reports"/*; do
    echo "== $(basename "$report")"
    head -n 60 "$report"
  done
  echo "sanitizer reports above (in $reports)" >&2
  exit 1
fi
exit "$status"

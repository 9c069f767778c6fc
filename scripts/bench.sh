#!/usr/bin/env bash
# Runs every benchmark in a real X window (inside Xvfb when there is no display).
set -euo pipefail
build="${1:-build}"
run() {
  if [ -n "${DISPLAY:-}" ]; then
    QT_QPA_PLATFORM=xcb "$@"
  else
    xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" env QT_QPA_PLATFORM=xcb "$@"
  fi
}
for bench in "$build"/bench/bench_*; do
  [ -x "$bench" ] || continue
  echo "== $(basename "$bench")"
  run "$bench"
done
echo "== the same pass and yield in GLib's event loop, which the program does not use"
run env QT_NO_GLIB= "$build/bench/bench_randomizer" '--benchmark_filter=BM_Yield|BM_BatchPass/1048576/0'
echo "== at screen scale 2 beside scale 1: a repaint (four times the pixels) and the pass"
for scale in 1 2; do
  echo "-- QT_SCALE_FACTOR=$scale"
  run env QT_SCALE_FACTOR=$scale "$build/bench/bench_xpbs" '--benchmark_filter=BM_Refresh/[0-4]/0/129'
  run env QT_SCALE_FACTOR=$scale "$build/bench/bench_progressbar" '--benchmark_filter=BM_ValueAssignment/max:100/'
  run env QT_SCALE_FACTOR=$scale "$build/bench/bench_randomizer" '--benchmark_filter=BM_Yield|BM_BatchPass/1048576/'
done
echo "== the command-line filter, from a file and through pipes"
./scripts/bench-filter.sh "$build"
echo "== a pass with and without Orca"
./scripts/bench-orca.sh "$build" 5
echo "== tessaly --clipboard beside the clipboard tools' pipeline through -r"
./scripts/bench-clipboard.sh "$build"
echo "== the input method: key to text in the entry, Tessaly beside the layout engine"
./scripts/bench-ibus.sh "$build"

#!/usr/bin/env bash
# What Orca costs a pass over 1 MiB in the real program: the same passes
# timed with Orca running and without (tests/e2e/run-orca.sh, bench mode),
# in short lines and in one line.
#
#   scripts/bench-orca.sh [BUILD_FOLDER] [PASSES]    (default: build, 5)
set -euo pipefail
cd "$(dirname "$0")/.."
echo "-- 1 MiB in 43-character lines"
bash tests/e2e/run-orca.sh "${1:-build}/app/tessaly" . "${2:-5}"
echo "-- 1 MiB in one line"
TESSALY_PASS_TEXT=line bash tests/e2e/run-orca.sh "${1:-build}/app/tessaly" . "${2:-5}"

#!/usr/bin/env bash
# What Orca costs a pass over 1 MiB in the real program: the same passes
# timed with Orca running and without (tests/e2e/run-orca.sh, bench mode).
#
#   scripts/bench-orca.sh [BUILD_FOLDER] [PASSES]    (default: build, 5)
set -euo pipefail
cd "$(dirname "$0")/.."
exec bash tests/e2e/run-orca.sh "${1:-build}/app/tessaly" . "${2:-5}"

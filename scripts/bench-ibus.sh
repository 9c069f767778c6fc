#!/usr/bin/env bash
# The input method's speed as a user feels it: in a private Xvfb with a real
# ibus-daemon (tests/e2e/ibus-session.sh), the time from a key sent to its
# text in a Qt line edit and in a GTK entry, with Tessaly's engine beside
# the plain layout engine (xkb:us::eng), taking turns in the same run
# (scripts/ibus-speed.py); the engine's own work per key is bench_casekeys.
#
#   scripts/bench-ibus.sh [BUILD_FOLDER [ROUNDS [KEYS]]]
set -euo pipefail
cd "$(dirname "$0")/.."
build="$(realpath "${1:-build}")"
rounds="${2:-6}"
keys="${3:-50}"
# shellcheck source=xsession.sh
source scripts/xsession.sh
# shellcheck source=../tests/e2e/ibus-session.sh
source tests/e2e/ibus-session.sh
ibus_session_start "$build/inputmethod/ibus/component"
use_tessaly
python=/usr/bin/python3
"$python" scripts/ibus-speed.py "$rounds" "$keys" "Qt line edit" "$build/tests/e2e/ime_line_edit" "$xsession_dir/qt" --times
"$python" scripts/ibus-speed.py "$rounds" "$keys" "GTK entry" "$python" tests/e2e/ime_entries.py "$xsession_dir" --times

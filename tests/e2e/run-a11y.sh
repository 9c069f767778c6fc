#!/usr/bin/env bash
# Runs the real program in its own X server with a private D-Bus session and
# accessibility bus (at-spi2-core), and tours it the way a screen reader and
# an automation client do (tests/e2e/a11y_tour.py, with python3-pyatspi):
# never a pointer event. The accessible tree of each window is printed.
#
#   tests/e2e/run-a11y.sh PROGRAM SOURCE_FOLDER actions|keys [SCALE]
#
# With a SCALE the program runs at that screen scale (Qt's scale factor)
# and the tour expects extents in the screen's device pixels.
set -euo pipefail
program="$(realpath "$1")"
source_folder="$(realpath "$2")"
# shellcheck source=../../scripts/xsession.sh
source "$source_folder/scripts/xsession.sh"
mode="$3"
scale="${4:-1}"
if [ "$scale" != 1 ]; then
  export QT_SCALE_FACTOR="$scale"
fi
export TESSALY_TOUR_SCALE="$scale"


# Debian's own python3, which python3-pyatspi is installed for.
python=/usr/bin/python3
launcher=/usr/libexec/at-spi-bus-launcher
for tool in Xvfb dbus-daemon dbus-send "$python" "$launcher"; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/install-deps.sh installs it)"
done
"$python" -c "import pyatspi" 2>/dev/null || fail "python3-pyatspi is missing (scripts/install-deps.sh installs it)"

xsession_start || fail "could not start Xvfb"
a11y_bus_start || fail "could not start the accessibility bus"

a11y_tour_start "$python" "$source_folder/tests/e2e/a11y_tour.py" "$mode" \
  || fail "the tour did not start listening"
xsession_launch "$program" "$xsession_dir"
a11y_client_follow
a11y_tour_finish "the accessible tree of each window (role 'name' actions)"

xsession_expect_program_end "the close request"
echo "== passed: the program ended by itself after the closing animation"

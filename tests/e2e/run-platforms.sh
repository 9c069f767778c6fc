#!/usr/bin/env bash
# The same windows at screen scale 2 under X11 (Xvfb, Qt's scale factor)
# and natively under Wayland (Weston's headless compositor at buffer scale
# 2): what the program draws, its own faces and captions and Qt's widgets
# alike, must be the same device pixels on both.
#
#   tests/e2e/run-platforms.sh WINDOW_SHOT SOURCE_FOLDER
set -euo pipefail
shot="$(realpath "$1")"
source_folder="$(realpath "$2")"
# shellcheck source=../../scripts/xsession.sh
source "$source_folder/scripts/xsession.sh"
for tool in Xvfb weston compare; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/install-deps.sh installs it)"
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/x11" "$work/wayland"

echo "== X11 at scale 2"
(
  xsession_start || fail "could not start Xvfb"
  QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=2 "$shot" "$work/x11" >"$work/x11.out"
) || fail "the windows could not be drawn under X11"
echo "== Wayland at scale 2"
(
  wlsession_start --scale=2 || fail "could not start Weston"
  QT_QPA_PLATFORM=wayland "$shot" "$work/wayland" >"$work/wayland.out"
) || fail "the windows could not be drawn under Wayland"

for platform in x11 wayland; do
  grep -qx "ratio 2" "$work/$platform.out" || fail "$platform: not drawn at ratio 2 ($(cat "$work/$platform.out"))"
done
for window in main about; do
  differing=$(compare -metric AE "$work/x11/$window.png" "$work/wayland/$window.png" null: 2>&1) || true
  [ "$differing" = 0 ] || fail "the $window window differs between X11 and Wayland: $differing device pixels"
  echo "$window window: the same $(identify -format '%wx%h' "$work/x11/$window.png") device pixels on both"
done
echo "== passed: the same pictures under X11 and Wayland at scale 2"

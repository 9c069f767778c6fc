#!/usr/bin/env bash
# Builds the Debian package into a folder of its own and checks it as a
# desktop and a software centre would take it: the contents list holds the
# programs, the menu entry, both icons, the manual page, the metadata, the
# copyright and the resources; the dependencies; desktop-file-validate and
# appstreamcli validate --no-net pass without an error or a warning.
#
#   tests/e2e/check-package.sh BUILD_FOLDER
set -euo pipefail
build="$(realpath "$1")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck source=../../scripts/xsession.sh
source "$(dirname "$0")/../../scripts/xsession.sh" # fail

echo "== building the package"
(cd "$work" && cpack --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1) \
  || { cat "$work/cpack.log" >&2; fail "cpack failed"; }
package=$(ls "$work"/tessaly_*_*.deb 2>/dev/null | head -n1)
[ -n "$package" ] || fail "no tessaly_*.deb was made"
echo "   $(basename "$package")"

dpkg-deb -c "$package" | awk '{print $6}' | sed 's|^\./|/|' >"$work/contents"
for file in /usr/bin/tessaly /usr/libexec/tessaly/tessaly-gui \
  /usr/share/applications/org.morvane.Tessaly.desktop \
  /usr/share/icons/hicolor/48x48/apps/org.morvane.Tessaly.png \
  /usr/share/icons/hicolor/256x256/apps/org.morvane.Tessaly.png \
  /usr/share/man/man1/tessaly.1.gz /usr/share/metainfo/org.morvane.Tessaly.metainfo.xml \
  /usr/share/doc/tessaly/copyright /usr/share/doc/tessaly/changelog.Debian.gz \
  /usr/share/tessaly/resources/click.wav /usr/share/tessaly/resources/logo.png \
  /usr/share/tessaly/resources/progressbar/master2.png; do
  grep -qx "$file" "$work/contents" || fail "the package lacks $file"
done

depends=$(dpkg-deb -f "$package" Depends)
for needed in fonts-liberation2 fonts-dejavu-core fonts-roboto-unhinted qt6-wayland libqt6widgets6 libqt6multimedia6; do
  grep -q "$needed" <<<"$depends" || fail "the package does not depend on $needed: $depends"
done
[ "$(dpkg-deb -f "$package" Package)" = tessaly ] || fail "the package is not named tessaly"

dpkg-deb -x "$package" "$work/root"
desktop-file-validate "$work/root/usr/share/applications/org.morvane.Tessaly.desktop" >"$work/desktop.log" 2>&1 \
  || { cat "$work/desktop.log" >&2; fail "desktop-file-validate"; }
[ -s "$work/desktop.log" ] && { cat "$work/desktop.log" >&2; fail "desktop-file-validate has remarks"; }
appstreamcli validate --no-net "$work/root/usr/share/metainfo/org.morvane.Tessaly.metainfo.xml" >"$work/as.log" 2>&1 \
  || { cat "$work/as.log" >&2; fail "appstreamcli validate"; }
grep -qE '^(E|W):' "$work/as.log" && { cat "$work/as.log" >&2; fail "appstreamcli validate warns"; }
python3 - "$work/root/usr/share/icons/hicolor/256x256/apps/org.morvane.Tessaly.png" <<'PY' || fail "the large icon is not 256 x 256"
import struct, sys
data = open(sys.argv[1], "rb").read(24)
assert data[:8] == b"\x89PNG\r\n\x1a\n" and struct.unpack(">II", data[16:24]) == (256, 256)
PY
echo "== passed: $(wc -l <"$work/contents") entries, metadata valid"

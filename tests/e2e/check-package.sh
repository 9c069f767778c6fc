#!/usr/bin/env bash
# Builds the Debian package as `make package` does (scripts/build-package.sh,
# in BUILD_FOLDER/package) and checks it as a Debian developer and a desktop
# would take it: the contents list holds the programs, the menu entry, both
# icons, the manual page, the metadata, the copyright and the resources, and
# the input method's engine and component file (naming the engine where it
# is installed); the dependencies (IBus recommended, not depended on);
# lintian --pedantic has no hardening tag at any level nor an
# unneeded-section tag; the programs import fortified functions; a second
# build one folder deeper gives the same bytes; no installed file holds the build's
# paths; under X11 the windows' class is the one the menu entry names;
# desktop-file-validate and appstreamcli validate --pedantic pass clean.
#
#   tests/e2e/check-package.sh BUILD_FOLDER
set -euo pipefail
build="$(realpath "$1")"
root="$(cd "$(dirname "$0")/../.." && pwd)"
# shellcheck source=../../scripts/xsession.sh
source "$root/scripts/xsession.sh" # fail, the X session
work=$(mktemp -d)
xsession_on_exit rm -rf "$work"
chmod 755 "$work"

echo "== building the package"
package=$("$root/scripts/build-package.sh" "$build/package") || fail "the package did not build"
cp "$package" "$work/first.deb"
echo "   $(basename "$package")"

echo "== building it again one folder deeper: the same bytes"
package=$("$root/scripts/build-package.sh" "$build/package-deeper/package") || fail "the package did not build again"
cmp -s "$work/first.deb" "$package" || fail "two builds of the same tree differ: $(cmp "$work/first.deb" "$package")"

dpkg-deb -c "$package" | awk '{print $6}' | sed 's|^\./|/|' >"$work/contents"
for file in /usr/bin/tessaly /usr/libexec/tessaly/tessaly-gui /usr/libexec/tessaly/tessaly-clipboard \
  /usr/libexec/tessaly/tessaly-ibus /usr/share/ibus/component/tessaly.xml \
  /usr/share/applications/org.morvane.Tessaly.desktop \
  /usr/share/icons/hicolor/48x48/apps/org.morvane.Tessaly.png \
  /usr/share/icons/hicolor/256x256/apps/org.morvane.Tessaly.png \
  /usr/share/man/man1/tessaly.1.gz /usr/share/metainfo/org.morvane.tessaly.metainfo.xml \
  /usr/share/doc/tessaly/copyright /usr/share/doc/tessaly/changelog.Debian.gz \
  /usr/share/tessaly/resources/click.wav /usr/share/tessaly/resources/logo.png \
  /usr/share/tessaly/resources/progressbar/master2.png; do
  grep -qx "$file" "$work/contents" || fail "the package lacks $file"
done

depends=$(dpkg-deb -f "$package" Depends)
# Library names differ between releases (libicu72, libicu76; Qt's t64
# names in Debian 13): what matters is that each is there.
for needed in 'fonts-liberation \(>= 1:2\) \| fonts-liberation2' fonts-dejavu-core fonts-roboto-unhinted \
  'libqt6widgets6(t64)? ' 'libqt6multimedia6 ' 'libicu[0-9]+ ' 'libibus-1\.0-5 '; do
  grep -qE "(^|, )$needed" <<<"$depends" || fail "the package does not depend on /$needed/: $depends"
done
# The X11 platform is in libqt6gui6; qt6-qpa-plugins holds only others.
# IBus itself (the daemon) is the input method's alone.
for needless in qt6-qpa-plugins qt6-wayland; do
  grep -q "$needless" <<<"$depends" && fail "the package depends on $needless: $depends"
done
grep -qE '(^|, )ibus( |,|$)' <<<"$depends" && fail "the package depends on ibus: $depends"
[ "$(dpkg-deb -f "$package" Recommends)" = "qt6-wayland, ibus" ] || fail "qt6-wayland and ibus are not recommended"
# Selling is forbidden: not free in Debian's sense.
[ "$(dpkg-deb -f "$package" Section)" = non-free/text ] || fail "the package is not in non-free"

echo "== lintian --pedantic, every tag level"
"$root/scripts/lintian-package.sh" "$package" --pedantic >"$work/lintian.log" 2>&1 \
  || { cat "$work/lintian.log" >&2; fail "lintian reports an error or a hardening tag"; }
grep -E 'hardening-|binary-has-unneeded-section' "$work/lintian.log" \
  && fail "lintian finds the programs built without Debian's flags or unstripped"
sed 's/^/   /' "$work/lintian.log"
[ "$(dpkg-deb -f "$package" Package)" = tessaly ] || fail "the package is not named tessaly"

dpkg-deb -x "$package" "$work/root"
for program in usr/bin/tessaly usr/libexec/tessaly/tessaly-gui usr/libexec/tessaly/tessaly-clipboard \
  usr/libexec/tessaly/tessaly-ibus; do
  # (grep -q reads no further than its match: a pipe into it would fail.)
  sections=$(readelf -S "$work/root/$program")
  grep -q '\.comment' <<<"$sections" && fail "$program keeps its .comment section"
  # Built with _FORTIFY_SOURCE, a program calls the checking forms of the
  # C library's string and print functions.
  imported=$(readelf --dyn-syms -W "$work/root/$program")
  awk '/_chk@/ && !/__stack_chk_fail/ { found = 1 } END { exit !found }' <<<"$imported" \
    || fail "$program imports no fortified function"
done

# IBus starts the engine by the component file's absolute path.
grep -qF '<exec>/usr/libexec/tessaly/tessaly-ibus --ibus</exec>' "$work/root/usr/share/ibus/component/tessaly.xml" \
  || fail "the component file does not start /usr/libexec/tessaly/tessaly-ibus --ibus"

echo "== no build path in any installed file"
python3 - "$work/root" "$root" "$build" <<'PY' || fail "an installed file holds a path of the build"
import os, sys
top, paths = sys.argv[1], sys.argv[2:]
needles = [p.encode(e) for p in paths for e in ("utf-8", "utf-16-le")]
found = []
for folder, _, files in os.walk(top):
    for name in files:
        path = os.path.join(folder, name)
        if os.path.islink(path):
            continue
        data = open(path, "rb").read()
        if path.endswith(".gz"):
            import gzip
            data = gzip.decompress(data)
        found += [path for n in needles if n in data]
if found:
    print("\n".join(sorted(set(found))), file=sys.stderr)
    sys.exit(1)
PY
desktop-file-validate "$work/root/usr/share/applications/org.morvane.Tessaly.desktop" >"$work/desktop.log" 2>&1 \
  || { cat "$work/desktop.log" >&2; fail "desktop-file-validate"; }
[ -s "$work/desktop.log" ] && { cat "$work/desktop.log" >&2; fail "desktop-file-validate has remarks"; }
appstreamcli validate --no-net --pedantic "$work/root/usr/share/metainfo/org.morvane.tessaly.metainfo.xml" \
  >"$work/as.log" 2>&1 || { cat "$work/as.log" >&2; fail "appstreamcli validate"; }
# Debian 12's validator predates the developer element and says so (I:).
grep -E '^[EWIP]:' "$work/as.log" | grep -v 'unknown-tag developer' \
  && { cat "$work/as.log" >&2; fail "appstreamcli validate --pedantic has remarks"; }
python3 - "$work/root/usr/share/icons/hicolor/256x256/apps/org.morvane.Tessaly.png" <<'PY' || fail "the large icon is not 256 x 256"
import struct, sys
data = open(sys.argv[1], "rb").read(24)
assert data[:8] == b"\x89PNG\r\n\x1a\n" and struct.unpack(">II", data[16:24]) == (256, 256)
PY
echo "== the windows' X11 class against the menu entry"
entry_class=$(sed -n 's/^StartupWMClass=//p' "$work/root/usr/share/applications/org.morvane.Tessaly.desktop")
[ -n "$entry_class" ] || fail "the menu entry names no StartupWMClass"
xsession_start || fail "no X server"
xsession_launch "$work/root/usr/bin/tessaly" "$work"
splash=$(wait_for_window 342x234 "the splash window") || fail "no splash window"
wm_class=$(xprop -id "$splash" WM_CLASS) || fail "no WM_CLASS on the splash window"
window_class=$(sed -E 's/.*", "([^"]*)"$/\1/' <<<"$wm_class")
[ "$window_class" = "$entry_class" ] \
  || fail "the windows' class is $window_class ($wm_class), the entry names $entry_class"
echo "   $wm_class"

echo "== passed: $(wc -l <"$work/contents") entries, metadata valid"

#!/usr/bin/env bash
# Installs the built program into a fresh prefix, checks that a desktop finds
# it there (menu entry, icon, executable, resources, the input method's
# component file), then runs the end-to-end tests on the installed copy,
# started from an unrelated folder: the windows', and the input method's.
#
#   tests/e2e/check-install.sh BUILD_FOLDER [SOURCE_FOLDER]
set -euo pipefail
build="$(realpath "$1")"
source_folder="$(realpath "${2:-$(dirname "$0")/../..}")"

# shellcheck source=../../scripts/xsession.sh
source "$(dirname "$0")/../../scripts/xsession.sh" # fail
prefix=$(mktemp -d)
xsession_on_exit rm -rf "$prefix"

cmake --install "$build" --prefix "$prefix" >/dev/null || fail "cmake --install failed"

[ -x "$prefix/bin/tessaly" ] || fail "no executable at bin/tessaly"
[ -x "$prefix/libexec/tessaly/tessaly-gui" ] || fail "no program of the windows at libexec/tessaly/tessaly-gui"
[ -x "$prefix/libexec/tessaly/tessaly-clipboard" ] || fail "no program of the clipboard at libexec/tessaly/tessaly-clipboard"
[ -x "$prefix/libexec/tessaly/tessaly-ibus" ] || fail "no input method engine at libexec/tessaly/tessaly-ibus"
# IBus starts the engine by the component file's absolute path, into the
# prefix installed to.
component="$prefix/share/ibus/component/tessaly.xml"
grep -qF "<exec>$prefix/libexec/tessaly/tessaly-ibus --ibus</exec>" "$component" 2>/dev/null \
  || fail "share/ibus/component/tessaly.xml does not start $prefix/libexec/tessaly/tessaly-ibus"
for file in click.wav over.wav logo.png tessaly.png; do
  [ -f "$prefix/share/tessaly/resources/$file" ] || fail "share/tessaly/resources/$file is missing"
done
icon="$prefix/share/icons/hicolor/48x48/apps/org.morvane.Tessaly.png"
[ -f "$icon" ] || fail "no icon at share/icons/hicolor/48x48/apps/org.morvane.Tessaly.png"
python3 - "$icon" <<'EOF' || fail "the icon is not a 48 x 48 picture"
import struct, sys
data = open(sys.argv[1], "rb").read(24)
assert data[:8] == b"\x89PNG\r\n\x1a\n"
assert struct.unpack(">II", data[16:24]) == (48, 48)
EOF

entry="$prefix/share/applications/org.morvane.Tessaly.desktop"
[ -f "$entry" ] || fail "no menu entry at share/applications/org.morvane.Tessaly.desktop"
[ "$(head -n1 "$entry")" = "[Desktop Entry]" ] || fail "the menu entry does not start with [Desktop Entry]"
for line in "Type=Application" "Name=Tessaly" "Exec=tessaly" "Icon=org.morvane.Tessaly" "Terminal=false"; do
  grep -qx "$line" "$entry" || fail "the menu entry lacks \"$line\""
done
grep -q '^Categories=.*;$' "$entry" || fail "the menu entry has no Categories list ending in ;"
[ ! -e "$prefix/share/tessaly/resources/org.morvane.Tessaly.desktop" ] || fail "the menu entry was copied among the resources"

# The menu entry starts "tessaly" from the PATH, in whatever folder.
PATH="$prefix/bin:$PATH"
installed="$(command -v tessaly)"
[ "$installed" = "$prefix/bin/tessaly" ] || fail "tessaly on the PATH is $installed"
echo "== installed layout is complete; running the installed copy"
bash "$source_folder/tests/e2e/run-e2e.sh" "$installed" "$source_folder"
echo "== the installed input method, started by IBus from its component file"
bash "$source_folder/tests/e2e/run-ibus.sh" "$installed" "$prefix/share/ibus/component" "$build/tests/e2e/ime_line_edit"

#!/usr/bin/env bash
# Runs lintian on a package as an unprivileged user (nobody when run as
# root), from a copy in a folder that user can read and enter; an error
# fails, and so does a hardening tag at any level (info and experimental
# tags included: a program built without a hardening flag is one).
#
#   scripts/lintian-package.sh PACKAGE [lintian options...]
set -euo pipefail
package="$(realpath "$1")"
shift
options=(--fail-on error --tag-display-limit 0 --display-info --display-experimental "$@")
copy=$(mktemp -d)
trap 'rm -rf "$copy"' EXIT
chmod 755 "$copy"
install -m 644 "$package" "$copy/"
# Its scratch files go with the copy.
mkdir "$copy/tmp"
# lintian starts in its caller's folder: from root's own home (mode 700)
# nobody could not enter it.
cd "$copy"
status=0
if [ "$(id -u)" -ne 0 ]; then
  TMPDIR="$copy/tmp" lintian "${options[@]}" "$copy/$(basename "$package")" >"$copy/lintian.log" 2>&1 || status=$?
else
  chown nobody "$copy/tmp"
  runuser -u nobody -- env TMPDIR="$copy/tmp" lintian "${options[@]}" "$copy/$(basename "$package")" >"$copy/lintian.log" 2>&1 || status=$?
fi
cat "$copy/lintian.log"
[ "$status" = 0 ] || exit "$status"
if grep -E '^[A-Z]: [^ ]+: hardening-' "$copy/lintian.log" >/dev/null; then
  echo "lintian: the programs lack a hardening feature" >&2
  exit 1
fi

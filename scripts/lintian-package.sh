#!/usr/bin/env bash
# Runs lintian on a package as an unprivileged user (nobody when run as
# root), from a copy in a folder that user can read; an error fails.
#
#   scripts/lintian-package.sh PACKAGE [lintian options...]
set -euo pipefail
package="$(realpath "$1")"
shift
if [ "$(id -u)" -ne 0 ]; then
  exec lintian --fail-on error --tag-display-limit 0 "$@" "$package"
fi
copy=$(mktemp -d)
trap 'rm -rf "$copy"' EXIT
chmod 755 "$copy"
install -m 644 "$package" "$copy/"
runuser -u nobody -- lintian --fail-on error --tag-display-limit 0 "$@" "$copy/$(basename "$package")"

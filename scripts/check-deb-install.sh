#!/usr/bin/env bash
# Installs the built package with apt (as root), uses the installed program
# from an unrelated folder (the end-to-end run, the command line), then
# purges it and checks that none of its files is left behind.
#
#   scripts/check-deb-install.sh [PACKAGE]   (default: build-package/tessaly_*.deb)
set -euo pipefail
cd "$(dirname "$0")/.."
package="$(realpath "${1:-$(ls build-package/tessaly_*.deb | head -n1)}")"
# shellcheck source=xsession.sh
source "$(dirname "$0")/xsession.sh" # fail
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo=sudo; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get install -y -qq "$package" >/dev/null
files=$(dpkg -L tessaly | while read -r path; do if [ -f "$path" ]; then echo "$path"; fi; done)
echo "== installed $(wc -l <<<"$files") files"
[ "$(command -v tessaly)" = /usr/bin/tessaly ] || fail "tessaly is not /usr/bin/tessaly"
echo "how are you?" | (cd / && tessaly -r --seed 1) | grep -qi "^how are you?$" || fail "the installed filter"
bash tests/e2e/run-e2e.sh /usr/bin/tessaly "$PWD"
$sudo apt-get purge -y -qq tessaly >/dev/null
left=$(while read -r path; do if [ -e "$path" ]; then echo "$path"; fi; done <<<"$files")
[ -z "$left" ] || fail "left behind: $left"
[ ! -e /usr/libexec/tessaly ] && [ ! -e /usr/share/tessaly ] && [ ! -e /usr/share/doc/tessaly ] \
  || fail "a folder of the package was left behind"
echo "== purged: nothing left behind"

#!/usr/bin/env bash
# Runs the suite where a newcomer would: a fresh minimal Debian root of the
# given release (mmdebstrap, from the mirror this machine's apt uses), the
# project's committed tree cloned into root's home there (mode 700), and
# `make test` (or the target given) run inside, which installs everything
# itself. The root and its mounts go when the script ends, however it ends.
#
#   scripts/test-in-root.sh SUITE [MAKE_TARGET]    # SUITE: bookworm, trixie
#
# Needs root (or sudo) and mmdebstrap; TESSALY_ROOT_KEEP=1 keeps the root.
set -euo pipefail
trap 'echo "test-in-root.sh: failed at line $LINENO" >&2' ERR
suite="$1"
target="${2:-test}"
project="$(cd "$(dirname "$0")/.." && pwd)"

if [ "$(id -u)" -ne 0 ]; then
  exec sudo --preserve-env=TESSALY_ROOT_KEEP "$0" "$@"
fi
# In a mount namespace of its own, so that no mount outlives the script.
if [ -z "${TESSALY_IN_ROOT_NAMESPACE:-}" ]; then
  TESSALY_IN_ROOT_NAMESPACE=1 exec unshare --mount --propagation private -- "$0" "$@"
fi

# The machine's own Debian mirror (deb822 or one-line sources), and its
# security archive beside it.
uris=$(shopt -s nullglob
  for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.sources /etc/apt/sources.list.d/*.list; do
    if [ -f "$file" ]; then sed -n -e 's|^URIs: *||p' -e 's|^deb \(\[[^]]*\] \)\?\([^ ]*\) .*|\2|p' "$file"; fi
  done | tr ' ' '\n')
mirror=$(grep -E '/debian/?$' <<<"$uris" | head -n1 | sed 's|/$||' || true)
security=$(grep -E '/debian-security/?$' <<<"$uris" | head -n1 | sed 's|/$||' || true)
mirror="${mirror:-http://deb.debian.org/debian}"
security="${security:-http://deb.debian.org/debian-security}"

work=$(mktemp -d "${TMPDIR:-/var/tmp}/tessaly-$suite.XXXXXX")
root="$work/root"
cleanup() {
  umount -R "$root" 2>/dev/null || true
  if [ -n "${TESSALY_ROOT_KEEP:-}" ]; then
    echo "the root is kept in $root" >&2
  else
    rm -rf --one-file-system "$work"
  fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

echo "== a fresh $suite root from $mirror"
mmdebstrap --quiet --variant=minbase --include=git,make,ca-certificates "$suite" "$root" \
  "deb $mirror $suite main" "deb $mirror $suite-updates main" "deb $security $suite-security main"

# The root is a mount point of its own, so that PID namespaces with their
# own /proc can be made inside; then the kernel's file systems. The device
# nodes are the root's own (mmdebstrap made them), never the machine's
# /dev: what a package's scripts do to them stays in the root.
mount --bind "$root" "$root"
mount -t proc proc "$root/proc"
mount --rbind /sys "$root/sys"
mount --make-rslave "$root/sys"
mount -t devpts -o newinstance,ptmxmode=0666,mode=0620 devpts "$root/dev/pts"
mount --bind "$root/dev/pts/ptmx" "$root/dev/ptmx"
mount -t tmpfs tmpfs "$root/dev/shm"
mount -t tmpfs tmpfs "$root/tmp"
cp /etc/resolv.conf "$root/etc/resolv.conf"

git clone --quiet "$project" "$root/root/tessaly"
echo "== make $target in $suite, in root's home ($(git -C "$project" log -1 --format='%h %s'))"
chroot "$root" /usr/bin/env -i HOME=/root TERM=dumb LANG=C.UTF-8 PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
  bash -c "cd /root/tessaly && make $target"

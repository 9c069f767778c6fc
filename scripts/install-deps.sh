#!/usr/bin/env bash
# Installs what building, running and testing need on Debian 12 or 13, and returns
# quickly when everything is already there.
set -euo pipefail

# "install-deps.sh run": what building and running need (make run); with no
# argument, also what the tests use (make test): the sessions they run the
# program in, the screen reader, the package checks.
# Liberation 2 is fonts-liberation2 in Debian 12, fonts-liberation after.
liberation=fonts-liberation
if grep -q '^VERSION_ID="12"' /etc/os-release 2>/dev/null; then
  liberation=fonts-liberation2
fi
packages=(
  cmake g++ make pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev
  libicu-dev libgl-dev libxcb1-dev libwayland-dev wayland-protocols libibus-1.0-dev
  "$liberation" fonts-dejavu-core fonts-roboto-unhinted
  qt6-wayland xvfb
)
if [ "${1:-}" != run ]; then
  packages+=(
    unicode-data libbenchmark-dev
    xauth xdotool x11-utils imagemagick
    xclip xfce4-clipman python3
    dbus-daemon dbus-bin at-spi2-core python3-pyatspi gir1.2-atspi-2.0
    weston openbox x11-xserver-utils
    sway kwin-wayland mutter wl-clipboard python3-gi
    ibus ibus-gtk3 gir1.2-gtk-3.0 gir1.2-ibus-1.0
    # Mesa's EGL, as on any desktop (the compositors bring it too): the
    # sanitizers' suite is to meet the drivers Qt's Wayland platform loads.
    libegl-mesa0
    orca speech-dispatcher speech-dispatcher-espeak-ng util-linux
    desktop-file-utils appstream lintian dpkg-dev fakeroot file binutils
  )
fi
# "install-deps.sh fuzz": also the compiler, libFuzzer runtime and symbolizer
# of the fuzz targets, which building and testing do not need.
if [ "${1:-}" = fuzz ]; then
  packages+=(clang libclang-rt-14-dev llvm-14)
fi
# "install-deps.sh roots": what makes a fresh Debian root for
# scripts/test-in-root.sh, alone.
if [ "${1:-}" = roots ]; then
  packages=(mmdebstrap debian-archive-keyring util-linux git)
fi
# "install-deps.sh valgrind": also memcheck, for scripts/valgrind-run.sh.
if [ "${1:-}" = valgrind ]; then
  packages+=(valgrind)
fi

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"

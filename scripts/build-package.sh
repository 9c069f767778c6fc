#!/usr/bin/env bash
# Builds the Debian package as a Debian build would: in a build folder of its
# own, with Debian's compiler and linker flags (dpkg-buildflags, every
# hardening feature on), programs stripped as dh_strip strips them, and every
# file time taken from the changelog's date, so that the same tree gives the
# same package, byte for byte. Prints the package's path.
#
#   scripts/build-package.sh BUILD_FOLDER
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$1"
mkdir -p "$build"
build="$(realpath "$build")"

# dpkg-buildflags maps its caller's folder out of debug paths: the same
# folder, wherever the script is started from.
cd "$root"
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
eval "$(dpkg-buildflags --export=sh)"
# CMake reads CXXFLAGS but not CPPFLAGS, where the fortified functions
# (-D_FORTIFY_SOURCE) are asked for.
export CXXFLAGS="$CPPFLAGS $CXXFLAGS"
SOURCE_DATE_EPOCH="$(dpkg-parsechangelog -l "$root/packaging/changelog" -S Timestamp)"
export SOURCE_DATE_EPOCH

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=None -DTESSALY_BUILD_TESTS=OFF -DTESSALY_BUILD_BENCH=OFF \
  -DCMAKE_STRIP="$root/scripts/deb-strip.sh" >"$build/configure.log" 2>&1 \
  || { cat "$build/configure.log" >&2; exit 1; }
cmake --build "$build" -j "$(nproc)" >"$build/build.log" 2>&1 || { tail -50 "$build/build.log" >&2; exit 1; }
rm -f "$build"/tessaly_*.deb
# The source's files keep their own times; those the build made get the
# changelog's, as the package's contents do.
(cd "$build" && cpack >"$build/cpack.log" 2>&1) || { cat "$build/cpack.log" >&2; exit 1; }
ls "$build"/tessaly_*.deb

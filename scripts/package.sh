#!/usr/bin/env bash
# Builds the Debian package notenschau_<version>_<architecture>.deb from the
# build in ./build (or $BUILD_DIR) and puts it into ./build/paket (or $PAKET_DIR).
# Install it with: sudo apt-get install ./build/paket/notenschau_*.deb
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
out="${PAKET_DIR:-$build/paket}"
command -v dpkg-shlibdeps >/dev/null || {
    echo "dpkg-shlibdeps fehlt: bitte scripts/install-deps.sh ausführen." >&2
    exit 1
}
BUILD_DIR="$build" "$root/scripts/build.sh"
mkdir -p "$out"
# CPack writes root as the owner of every file, whoever builds.
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$out" >/dev/null
rm -rf "$out/_CPack_Packages"
deb="$(ls -t "$out"/notenschau_*.deb | head -n 1)"
echo "Paket: $deb"
dpkg-deb --field "$deb" Package Version Architecture Depends

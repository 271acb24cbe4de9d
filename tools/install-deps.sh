#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need; does nothing when all are present.
set -euo pipefail

native=(cmake g++ make python3 libgtest-dev googletest clang libclang-rt-14-dev)
cross=(g++-mingw-w64-i686 binutils-mingw-w64-i686)
# wine64 brings the native 64-bit wineserver, which the 32-bit loader (emulated where needed) talks to.
wine=(wine wine32:i386 wine64 xvfb x11-utils imagemagick fonts-wqy-microhei)

want=("${native[@]}" "${cross[@]}")
case "${1:-all}" in
  native) want=("${native[@]}") ;;
  all) want+=("${wine[@]}") ;;
esac

missing=()
for p in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "missing packages: ${missing[*]} (run as root to install them)" >&2
  exit 1
fi
for p in "${missing[@]}"; do
  case "$p" in *:i386) dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386 ;; esac
done
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}"

#!/usr/bin/env bash
# Builds the release from a clean build directory: OUT/kevu.exe (stripped) and OUT/SHA256SUMS.
# Two runs from one commit give byte-identical files: the PE headers carry no time stamp
# (--no-insert-timestamp), the resources none either, SOURCE_DATE_EPOCH is the commit's time and
# source paths are mapped away. The version resource carries `git describe`.
#   tools/release.sh [OUT]        OUT defaults to dist/
#   KEVU_RELEASE_BUILD=DIR        build directory (default build/release; emptied first)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=${1:-$root/dist}
build=${KEVU_RELEASE_BUILD:-$root/build/release}
jobs=${KEVU_JOBS:-2}

bash tools/install-deps.sh cross >/dev/null || { echo "release: cannot install the cross toolchain" >&2; exit 1; }

version=$(git describe --tags --always --dirty 2>/dev/null || echo unknown)
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null || echo 0)
export SOURCE_DATE_EPOCH

rm -rf "$build"
map="-ffile-prefix-map=$root/=/kevu/ -ffile-prefix-map=$build/=/build/"
cmake -S "$root" -B "$build" -G "Unix Makefiles" --toolchain "$root/cmake/mingw-i686.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DKEVU_BUILD_TESTS=OFF -DKEVU_VERSION="$version" \
  -DCMAKE_C_FLAGS="$map" -DCMAKE_CXX_FLAGS="$map" >/dev/null
cmake --build "$build" -j"$jobs" --target kevu >/dev/null

mkdir -p "$out"
i686-w64-mingw32-strip -o "$out/kevu.exe" "$build/app/kevu.exe"
(cd "$out" && sha256sum kevu.exe >SHA256SUMS)
echo "release $version: $out/kevu.exe $(stat -c %s "$out/kevu.exe") bytes (unstripped $(stat -c %s "$build/app/kevu.exe")), embedded Skin.dll $(stat -c %s "$build/skin/Skin.dll") bytes"
cat "$out/SHA256SUMS"

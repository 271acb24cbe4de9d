#!/usr/bin/env bash
# Builds the release from a clean build directory: OUT/kevu.exe (stripped) and OUT/SHA256SUMS.
# Two runs from one commit give byte-identical files: the PE headers carry no time stamp
# (--no-insert-timestamp), the resources none either, SOURCE_DATE_EPOCH is the commit's time and
# source paths are mapped away. The version resource carries `git describe`.
# Given a certificate, Skin.dll is signed before kevu.exe embeds it, then kevu.exe is (Authenticode,
# SHA-256, osslsigncode), with the commit's time as signing time, and both signatures are verified.
# How to sign: docs/release.md.
#   tools/release.sh [OUT]        OUT defaults to dist/
#   KEVU_RELEASE_BUILD=DIR        build directory (default build/release; emptied first)
#   KEVU_SIGN_PFX=FILE            the certificate and its key as PKCS#12, or
#   KEVU_SIGN_CERT=FILE KEVU_SIGN_KEY=FILE   the certificate (with its chain) and the key
#   KEVU_SIGN_PASS_FILE=FILE      the password of the PKCS#12 file or the key, when it has one
#   KEVU_SIGN_TIMESTAMP_URL=URL   an RFC 3161 time-stamp server (optional; not reproducible then)
#   KEVU_SIGN_CA_FILE=FILE        the roots to verify the signatures with (default: the system's)
set -euo pipefail

die() { echo "release: $*" >&2; exit 1; }

# The certificate's files are named from where the caller stands; the build runs from the root.
sign_files=(KEVU_SIGN_PFX KEVU_SIGN_CERT KEVU_SIGN_KEY KEVU_SIGN_PASS_FILE KEVU_SIGN_CA_FILE)
for v in "${sign_files[@]}"; do
  [ -n "${!v:-}" ] || continue
  [ -r "${!v}" ] || die "$v: cannot read ${!v}"
  printf -v "$v" %s "$(realpath -- "${!v}")"
done
sign_key=()
if [ -n "${KEVU_SIGN_PFX:-}" ]; then
  [ -z "${KEVU_SIGN_CERT:-}${KEVU_SIGN_KEY:-}" ] || die "give KEVU_SIGN_PFX or KEVU_SIGN_CERT and KEVU_SIGN_KEY, not both"
  sign_key=(-pkcs12 "$KEVU_SIGN_PFX")
elif [ -n "${KEVU_SIGN_CERT:-}${KEVU_SIGN_KEY:-}" ]; then
  [ -n "${KEVU_SIGN_CERT:-}" ] && [ -n "${KEVU_SIGN_KEY:-}" ] || die "KEVU_SIGN_CERT and KEVU_SIGN_KEY go together"
  sign_key=(-certs "$KEVU_SIGN_CERT" -key "$KEVU_SIGN_KEY")
elif [ -n "${KEVU_SIGN_PASS_FILE:-}${KEVU_SIGN_TIMESTAMP_URL:-}${KEVU_SIGN_CA_FILE:-}" ]; then
  # A misspelt certificate variable must not end in an unsigned release that looks intended.
  die "KEVU_SIGN_PASS_FILE, KEVU_SIGN_TIMESTAMP_URL or KEVU_SIGN_CA_FILE given without a certificate (KEVU_SIGN_PFX, or KEVU_SIGN_CERT and KEVU_SIGN_KEY)"
fi
# osslsigncode reads the password from the file: it is never on a command line or in the log.
[ ${#sign_key[@]} -eq 0 ] || [ -z "${KEVU_SIGN_PASS_FILE:-}" ] || sign_key+=(-readpass "$KEVU_SIGN_PASS_FILE")

cd "$(dirname "$0")/.."
root=$PWD
out=${1:-$root/dist}
build=${KEVU_RELEASE_BUILD:-$root/build/release}
jobs=${KEVU_JOBS:-2}

deps=cross
[ ${#sign_key[@]} -eq 0 ] || deps=sign
bash tools/install-deps.sh "$deps" >/dev/null || { echo "release: cannot install the cross toolchain" >&2; exit 1; }

version=$(git describe --tags --always --dirty 2>/dev/null || echo unknown)
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null || echo 0)
export SOURCE_DATE_EPOCH

# sign IN OUT: OUT is IN with an Authenticode signature. The signing time is the commit's, so
# the bytes depend only on the input and the certificate (RSA signatures have no random part).
sign() {
  local stamp=()
  [ -z "${KEVU_SIGN_TIMESTAMP_URL:-}" ] || stamp=(-ts "$KEVU_SIGN_TIMESTAMP_URL")
  rm -f "$2"
  osslsigncode sign "${sign_key[@]}" -h sha256 -n KEVU -time "$SOURCE_DATE_EPOCH" "${stamp[@]}" \
    -in "$1" -out "$2" >"$build/sign.log" 2>&1 || { tail -n 5 "$build/sign.log" >&2; die "cannot sign ${1##*/}"; }
}

# verify FILE: the signature matches the file and chains to a trusted root, checked at the current
# time as Windows checks a signature without a time stamp. It works offline: osslsigncode 2.8 and
# later would otherwise fetch the certificate's revocation lists.
verify() {
  local opts=(-time "$(date +%s)")
  [ -z "${KEVU_SIGN_CA_FILE:-}" ] || opts+=(-CAfile "$KEVU_SIGN_CA_FILE" -TSA-CAfile "$KEVU_SIGN_CA_FILE")
  local known
  known=$(osslsigncode --help 2>&1 || true)
  [[ $known != *-ignore-cdp* ]] || opts+=(-ignore-cdp)
  [[ $known != *-ignore-crl* ]] || opts+=(-ignore-crl)
  osslsigncode verify "${opts[@]}" -in "$1" >"$build/verify.log" 2>&1 ||
    { grep -E 'MISMATCH|Error|error|failed' "$build/verify.log" | head -n 5 >&2; die "the signature of ${1##*/} does not verify"; }
}

rm -rf "$build"
map="-ffile-prefix-map=$root/=/kevu/ -ffile-prefix-map=$build/=/build/"
cmake -S "$root" -B "$build" -G "Unix Makefiles" --toolchain "$root/cmake/mingw-i686.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DKEVU_BUILD_TESTS=OFF -DKEVU_VERSION="$version" \
  -DCMAKE_C_FLAGS="$map" -DCMAKE_CXX_FLAGS="$map" >/dev/null
mkdir -p "$out"
rm -f "$out/kevu.exe" "$out/SHA256SUMS"
if [ ${#sign_key[@]} -gt 0 ]; then
  # Signed in place before kevu.exe is linked: the copy that kevu.exe writes to disk is signed.
  cmake --build "$build" -j"$jobs" --target Skin >/dev/null
  sign "$build/skin/Skin.dll" "$build/skin/Skin.signed.dll"
  mv -f "$build/skin/Skin.signed.dll" "$build/skin/Skin.dll"
fi
cmake --build "$build" -j"$jobs" --target kevu >/dev/null

if [ ${#sign_key[@]} -gt 0 ]; then
  i686-w64-mingw32-strip -o "$build/kevu.stripped.exe" "$build/app/kevu.exe"
  sign "$build/kevu.stripped.exe" "$build/kevu.signed.exe"
  verify "$build/skin/Skin.dll"
  verify "$build/kevu.signed.exe"
  signer=$(sed -n 's/^[[:space:]]*Subject: *//p' "$build/verify.log" | head -n 1)
  cp "$build/kevu.signed.exe" "$out/kevu.exe"
else
  i686-w64-mingw32-strip -o "$out/kevu.exe" "$build/app/kevu.exe"
fi
(cd "$out" && sha256sum kevu.exe >SHA256SUMS)
echo "release $version: $out/kevu.exe $(stat -c %s "$out/kevu.exe") bytes (unstripped $(stat -c %s "$build/app/kevu.exe")), embedded Skin.dll $(stat -c %s "$build/skin/Skin.dll") bytes"
if [ ${#sign_key[@]} -gt 0 ]; then
  when=$(date -u -d "@$SOURCE_DATE_EPOCH" '+%Y-%m-%d %H:%M:%S UTC')
  echo "signed: Skin.dll and kevu.exe by ${signer:-the given certificate}, SHA-256, signing time $when (the commit's)${KEVU_SIGN_TIMESTAMP_URL:+, time-stamped}; both verified"
else
  echo "unsigned: no certificate given (KEVU_SIGN_PFX, or KEVU_SIGN_CERT and KEVU_SIGN_KEY; see docs/release.md)"
fi
cat "$out/SHA256SUMS"

#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need; does nothing when all are present.
#   tools/install-deps.sh [all|sign|cross|native]   cross: native and MinGW; sign: cross and osslsigncode
# A mirror in the middle of a sync is expected now and then: a package list that cannot be
# updated is a warning, and a failed install is tried again, from the release's own suite
# (-t CODENAME) after the first failure, since the i386 halves of Multi-Arch packages may then be
# missing from the updates suite.
set -uo pipefail
# shellcheck source=tools/apt-retry.sh
source "$(dirname "$0")/apt-retry.sh"

native=(cmake g++ make python3 libgtest-dev googletest clang libclang-rt-14-dev)
cross=(g++-mingw-w64-i686 binutils-mingw-w64-i686)
# wine64 brings the native 64-bit wineserver, which the 32-bit loader (emulated where needed) talks to.
wine=(wine wine32:i386 wine64 xvfb x11-utils imagemagick fonts-wqy-microhei)
# Signing the release (tools/release.sh with a certificate); the release test makes its
# throw-away certificate with openssl.
sign=(osslsigncode)

want=("${native[@]}" "${cross[@]}")
case "${1:-all}" in
  native) want=("${native[@]}") ;;
  sign) want+=("${sign[@]}") ;;
  all) want+=("${wine[@]}" "${sign[@]}" openssl) ;;
esac

# The wanted packages not installed, from one dpkg-query pass. A name without an architecture
# is the machine's own (or an architecture-independent) package.
missing_packages() {
  local own installed p
  own=$(dpkg --print-architecture)
  installed=$(dpkg-query -W -f='${Package}:${Architecture} ${Status}\n' "${want[@]}" 2>/dev/null |
    awk '$NF == "installed" { print $1 }')
  for p in "${want[@]}"; do
    case "$p" in
      *:*) grep -qxF "$p" <<<"$installed" ;;
      *) grep -qx -e "$p:$own" -e "$p:all" <<<"$installed" ;;
    esac || echo "$p"
  done
}

mapfile -t missing < <(missing_packages)
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "missing packages: ${missing[*]} (run as root to install them)" >&2
  exit 1
fi
for p in "${missing[@]}"; do
  case "$p" in *:i386) dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386 ;; esac
done
export DEBIAN_FRONTEND=noninteractive
apt-get update -q || echo "install-deps: some package lists could not be updated; going on" >&2

codename=$(. "${KEVU_OS_RELEASE:-/etc/os-release}" 2>/dev/null && echo "${VERSION_CODENAME:-}")
errors=$(mktemp)
trap 'rm -f "$errors"' EXIT
attempt=0
install_once() {
  attempt=$((attempt + 1))
  local from=()
  [ "$attempt" -gt 1 ] && [ -n "$codename" ] && from=(-t "$codename")
  [ ${#from[@]} -gt 0 ] && echo "install-deps: installing from $codename's own suite (-t $codename)" >&2
  apt-get install -y -q --no-install-recommends "${from[@]}" "${missing[@]}" 2>"$errors"
  local rc=$?
  cat "$errors" >&2
  return $rc
}
kevu_retry install_once && exit 0

mapfile -t missing < <(missing_packages)
[ ${#missing[@]} -eq 0 ] && exit 0
last=$(grep -E '^(E|W):' "$errors" | tail -n 1)
echo "install-deps: still missing: ${missing[*]} (last apt error: ${last:-$(tail -n 1 "$errors")})" >&2
exit 1

#!/usr/bin/env bash
# The release stage: tools/release.sh without a certificate (unsigned, the version resource, the
# size budgets), then twice with a throw-away self-signed certificate, once as PKCS#12 and once as
# certificate and key: the signatures verify, the two signed builds are byte-identical, and the
# signed kevu.exe starts under Wine with its skin.
#   release_check.sh          (from tools/test.sh; builds in build/release-check-{1,2,3})
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
plain=$root/build/release-check-1 signed=$root/build/release-check-2 again=$root/build/release-check-3
work=$(mktemp -d "${TMPDIR:-/tmp}/kevu-release.XXXXXX")
trap 'rm -rf "$work"' EXIT
ok=0
fail() { echo "release: $*"; ok=1; }

# release DIR [VAR=VALUE...]: tools/release.sh building in DIR into DIR/dist; its output in DIR.log.
release() {
  local dir=$1; shift
  env "$@" KEVU_RELEASE_BUILD="$dir" bash tools/release.sh "$dir/dist" >"$dir.log" 2>&1
  local rc=$?
  cat "$dir.log"
  return $rc
}
# The size of a PE file's Authenticode signature (its security directory), 0 when unsigned.
signature_size() {
  local size
  size=$(i686-w64-mingw32-objdump -p "$1" | awk '/Security Directory/ { print $4 }')
  echo $((16#${size:-0}))
}
# verify FILE: the signature matches the file and chains to the throw-away root, now.
verify() {
  osslsigncode verify -CAfile "$work/cert.pem" -time "$(date +%s)" -in "$1" >"$work/verify.log" 2>&1
}

# Signing options without a certificate stop before anything is built.
if KEVU_SIGN_PASS_FILE=/dev/null bash tools/release.sh "$work/none" >"$work/none.log" 2>&1 || [ -e "$work/none" ]; then
  fail "a password file without a certificate did not stop the release: $(tail -n 1 "$work/none.log")"
fi

release "$plain" || exit 1
grep -q '^unsigned: ' "$plain.log" || fail "no line saying the release is unsigned"
for f in "$plain/dist/kevu.exe" "$plain/skin/Skin.dll"; do
  [ "$(signature_size "$f")" = 0 ] || fail "${f##*/} carries a signature without a certificate"
done
version=$(git describe --tags --always --dirty 2>/dev/null || echo unknown)
python3 - "$plain/dist/kevu.exe" "$version" <<'PY' || ok=1
import sys
data = open(sys.argv[1], "rb").read()
if sys.argv[2].encode("utf-16-le") not in data:
    sys.exit("release: the version resource does not carry " + sys.argv[2])
PY
exe=$(stat -c %s "$plain/dist/kevu.exe") dll=$(stat -c %s "$plain/skin/Skin.dll")
echo "sizes: kevu.exe $exe bytes stripped (budget 512000), Skin.dll $dll bytes (budget 65536)"
[ "$exe" -le 512000 ] || fail "kevu.exe over its budget"
[ "$dll" -le 65536 ] || fail "Skin.dll over its budget"

# The throw-away certificate: RSA (as Smart App Control requires), for code signing, the key and
# the PKCS#12 file under one password read from files.
secret=$(od -An -N12 -tx1 /dev/urandom | tr -d ' \n')
printf '%s\n' "$secret" >"$work/pass"
cp "$work/pass" "$work/pass-out"
openssl req -x509 -newkey rsa:2048 -sha256 -days 7 -subj "/CN=KEVU release test" \
  -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning" \
  -keyout "$work/key.pem" -passout "file:$work/pass" -out "$work/cert.pem" >"$work/openssl.log" 2>&1 &&
  openssl pkcs12 -export -in "$work/cert.pem" -inkey "$work/key.pem" -passin "file:$work/pass" \
    -passout "file:$work/pass-out" -out "$work/cert.pfx" >>"$work/openssl.log" 2>&1 ||
  { cat "$work/openssl.log"; echo "release: cannot make the test certificate"; exit 1; }

release "$signed" KEVU_SIGN_PFX="$work/cert.pfx" KEVU_SIGN_PASS_FILE="$work/pass" KEVU_SIGN_CA_FILE="$work/cert.pem" || exit 1
release "$again" KEVU_SIGN_CERT="$work/cert.pem" KEVU_SIGN_KEY="$work/key.pem" KEVU_SIGN_PASS_FILE="$work/pass" \
  KEVU_SIGN_CA_FILE="$work/cert.pem" || exit 1
for f in kevu.exe SHA256SUMS; do
  cmp "$signed/dist/$f" "$again/dist/$f" || fail "signed $f differs between two builds"
done
! grep -qF "$secret" "$signed.log" "$again.log" || fail "the password is in the release's output"
[ "$(cd "$signed/dist" && LC_ALL=C ls)" = "$(printf 'SHA256SUMS\nkevu.exe')" ] &&
  [ "$(cut -d' ' -f3 "$signed/dist/SHA256SUMS")" = kevu.exe ] && (cd "$signed/dist" && sha256sum --quiet -c SHA256SUMS) ||
  fail "SHA256SUMS does not list exactly what dist/ holds"

# The signatures on their own: kevu.exe, and the Skin.dll it embeds (the smoke below shows that
# the copy it writes is this one); a flipped byte must break the signature.
for f in "$signed/dist/kevu.exe" "$signed/skin/Skin.dll"; do
  verify "$f" || { grep -E 'MISMATCH|Error|failed' "$work/verify.log"; fail "the signature of ${f##*/} does not verify"; }
done
python3 - "$signed/dist/kevu.exe" "$work/tampered.exe" <<'PY'
import sys
data = bytearray(open(sys.argv[1], "rb").read())
data[len(data) // 3] ^= 1
open(sys.argv[2], "wb").write(data)
PY
! verify "$work/tampered.exe" || fail "a changed kevu.exe still verifies"
echo "signed: kevu.exe $(stat -c %s "$signed/dist/kevu.exe") bytes (signature $(signature_size "$signed/dist/kevu.exe")), Skin.dll $(stat -c %s "$signed/skin/Skin.dll") bytes (signature $(signature_size "$signed/skin/Skin.dll"))"

# The drivers come from the cross build; only they are built here when missing.
[ -f build/cross/CMakeCache.txt ] || cmake --preset cross >/dev/null || exit 1
bash tests/e2e/run_e2e.sh "$root/build/cross" --smoke "$signed/dist/kevu.exe" "$signed" || ok=1
exit $ok

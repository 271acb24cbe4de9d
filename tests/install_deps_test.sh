#!/usr/bin/env bash
# tools/install-deps.sh against stub apt-get, dpkg-query, dpkg and id first on PATH: a mirror
# in the middle of a sync, installs that fail, and the common case where nothing is missing.
# The real apt state is never touched.
set -uo pipefail
script=$(cd "$(dirname "$0")/.." && pwd)/tools/install-deps.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"

cat >"$work/bin/apt-get" <<'EOF'
#!/usr/bin/env bash
echo "apt-get $*" >>"$STUB/calls"
case " $* " in
  *" update "*) [ "${STUB_UPDATE_FAIL:-0}" = 1 ] && { echo "E: File has unexpected size (374820 != 376004). Mirror sync in progress?" >&2; exit 100; }; exit 0 ;;
  *" install "*)
    n=$(( $(cat "$STUB/installs" 2>/dev/null || echo 0) + 1 )); echo $n >"$STUB/installs"
    if [ "$n" -le "${STUB_INSTALL_FAILS:-0}" ]; then
      echo "E: Unable to correct problems, you have held broken packages." >&2; exit 100
    fi
    skip=0
    for a in "$@"; do
      [ $skip = 1 ] && { skip=0; continue; }
      case "$a" in -t) skip=1 ;; -*|install) ;; *:*) echo "$a" >>"$STUB/installed" ;; *) echo "$a:amd64" >>"$STUB/installed" ;; esac
    done ;;
esac
EOF
cat >"$work/bin/dpkg-query" <<'EOF'
#!/usr/bin/env bash
for a in "$@"; do
  case "$a" in -*) continue ;; *:*) q=$a ;; *) q=$a:amd64 ;; esac
  grep -qxF "$q" "$STUB/installed" 2>/dev/null && echo "$q install ok installed"
done
exit 0
EOF
cat >"$work/bin/dpkg" <<'EOF'
#!/usr/bin/env bash
case "$1" in
  --print-architecture) echo amd64 ;;
  --print-foreign-architectures) cat "$STUB/foreign" 2>/dev/null ;;
  --add-architecture) echo "$2" >>"$STUB/foreign"; echo "dpkg $*" >>"$STUB/calls" ;;
esac
EOF
printf '#!/bin/sh\necho 0\n' >"$work/bin/id"
chmod +x "$work/bin"/*
printf 'ID=debian\nVERSION_CODENAME=bookworm\n' >"$work/os-release"

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# run NAME [VAR=VALUE...]: install-deps.sh on the stub state of NAME; its exit code in $rc.
run() {
  export STUB=$work/$1; shift
  mkdir -p "$STUB"
  env "$@" PATH="$work/bin:$PATH" KEVU_OS_RELEASE="$work/os-release" KEVU_APT_PAUSE=0 \
    bash "$script" all >"$STUB/out" 2>&1
  rc=$?
}
installs() { grep -c ' install ' "$STUB/calls" 2>/dev/null; }

run update-fails STUB_UPDATE_FAIL=1
[ $rc = 0 ] || fail "a failed update stopped the set-up: $(cat "$STUB/out")"
[ "$(installs)" = 1 ] || fail "after a failed update, install ran $(installs) times"
grep -q 'could not be updated; going on' "$STUB/out" || fail "no warning for the failed update"
grep -qx 'dpkg --add-architecture i386' "$STUB/calls" || fail "i386 was not added for wine32:i386"

# The same machine again: everything is there, so apt is never asked.
cp "$work/update-fails/installed" "$work/present"
mkdir -p "$work/all-present" && mv "$work/present" "$work/all-present/installed"
cp "$work/update-fails/foreign" "$work/all-present/"
run all-present
[ $rc = 0 ] || fail "all present, yet exit $rc"
[ ! -s "$STUB/calls" ] || fail "all present, yet: $(cat "$STUB/calls")"

run first-install-fails STUB_INSTALL_FAILS=1
[ $rc = 0 ] || fail "a second install did not rescue the first: $(cat "$STUB/out")"
second=$(grep ' install ' "$STUB/calls" | sed -n 2p)
[[ "$second" == *"-t bookworm"* ]] || fail "the second install does not name the release's suite: $second"
first=$(grep ' install ' "$STUB/calls" | sed -n 1p)
[[ "$first" != *"-t "* ]] || fail "the first install already names a suite: $first"

run every-install-fails STUB_INSTALL_FAILS=99
[ $rc != 0 ] || fail "every install failed, yet exit 0"
[ "$(installs)" = 3 ] || fail "every install failed after $(installs) tries, not 3"
line=$(grep 'still missing' "$STUB/out")
[[ "$line" == *"wine32:i386"* && "$line" == *"g++-mingw-w64-i686"* ]] || fail "the missing packages are not named: $line"
[[ "$line" == *"held broken packages"* ]] || fail "the last apt error is not named: $line"

[ $failures = 0 ] && echo "install-deps: all cases passed"
exit $((failures > 0))

#!/usr/bin/env bash
# Builds and runs every test: native unit tests, the sanitizer builds, short fuzz runs,
# the cross-built tests under Wine, the end-to-end tests of kevu.exe and the release builds,
# unsigned and signed (tests/release_check.sh).
#   tools/test.sh            everything
#   KEVU_TEST_STAGES="native cross" tools/test.sh   only some stages
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
stages=${KEVU_TEST_STAGES:-native asan tsan fuzz cross e2e release}
jobs=${KEVU_JOBS:-2}
fuzz_seconds=${KEVU_FUZZ_SECONDS:-20}

bash tools/install-deps.sh all || { echo "test: cannot install the packages the tests need" >&2; exit 1; }

failed=()
passed=()
stage() {  # stage NAME COMMAND...
  local name=$1; shift
  echo "=== $name"
  if "$@"; then passed+=("$name"); else failed+=("$name"); echo "=== $name FAILED"; fi
}

build_and_ctest() {  # build_and_ctest PRESET
  cmake --preset "$1" >/dev/null &&
    cmake --build --preset "$1" -j"$jobs" &&
    ctest --preset "$1" -j"$jobs"
}

run_fuzzers() {
  cmake --preset fuzz >/dev/null && cmake --build --preset fuzz -j"$jobs" || return 1
  local ok=0 f
  for f in build/fuzz/fuzz/fuzz_*; do
    [ -x "$f" ] || continue
    echo "--- $(basename "$f") for ${fuzz_seconds}s"
    "$f" -max_total_time="$fuzz_seconds" -print_final_stats=0 >"$f.log" 2>&1 || { tail -30 "$f.log"; ok=1; }
  done
  return $ok
}

cross_tests() {
  # shellcheck source=tools/wine-setup.sh
  source tools/wine-setup.sh
  # The window tests need a display; without a window manager Wine draws its own frames.
  KEVU_XVFB_PID=
  kevu_xvfb || return 1
  kevu_wine_ready "$root/build/cross-prefix" || return 1
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f </dev/null >/dev/null 2>&1
  build_and_ctest cross
  local rc=$?
  wineserver -k 2>/dev/null || true
  if [ -n "$KEVU_XVFB_PID" ]; then kill "$KEVU_XVFB_PID" 2>/dev/null; unset DISPLAY; fi
  return $rc
}

e2e_tests() {
  [ -f build/cross/app/kevu.exe ] || { cmake --preset cross >/dev/null && cmake --build --preset cross -j"$jobs"; } || return 1
  bash tests/e2e/run_e2e.sh "$root/build/cross"
}

for s in $stages; do
  case "$s" in
    native|asan|tsan) stage "$s" build_and_ctest "$s" ;;
    fuzz) stage fuzz run_fuzzers ;;
    cross) stage cross cross_tests ;;
    e2e) stage e2e e2e_tests ;;
    release) stage release bash tests/release_check.sh ;;
    *) echo "unknown stage $s" >&2; failed+=("$s") ;;
  esac
done

echo "stages: ${#passed[@]} passed, ${#failed[@]} failed${failed:+ (${failed[*]})}"
[ ${#failed[@]} -eq 0 ]

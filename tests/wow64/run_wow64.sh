#!/usr/bin/env bash
# Runs wow64_win_test in a 64-bit (WoW64) Wine prefix, the way kevu.exe runs on 64-bit Windows.
#   run_wow64.sh PREFIX_DIR TEST_EXE
# The prefix is made once and kept; the fixture is made fresh each run: a name-keyword video
# and a story.txt in each of the real system32 and syswow64, the story in system32 alone
# holding content keywords enough for a row.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
[ $# -eq 2 ] || { echo "usage: $0 PREFIX_DIR TEST_EXE" >&2; exit 2; }

# shellcheck source=tools/wine-setup.sh
source "$root/tools/wine-setup.sh"
kevu_enable_i386 || exit 1
[ -x /usr/lib/wine/wine64 ] || { echo "wow64: wine64 is not installed, no 64-bit prefix" >&2; exit 1; }
kevu_wine_prefix "$1" win64 || { echo "wow64: cannot make a 64-bit prefix in $1" >&2; exit 1; }

windows=$WINEPREFIX/drive_c/windows
[ -d "$windows/syswow64" ] || { echo "wow64: $1 is not a 64-bit prefix" >&2; exit 1; }
rm -rf "$windows/system32/kevu-wow" "$windows/syswow64/kevu-wow"
mkdir -p "$windows/system32/kevu-wow" "$windows/syswow64/kevu-wow"
: >"$windows/system32/kevu-wow/sexy-real.avi"
: >"$windows/syswow64/kevu-wow/sexy-wow.avi"
printf '%s\n' '乳房 胸部 酥胸 玉腿 丝袜 内衣' | iconv -f UTF-8 -t GBK >"$windows/system32/kevu-wow/story.txt"
printf '%s\n' 'chapter one: the statue in the rain' >"$windows/syswow64/kevu-wow/story.txt"

out=$(mktemp "${TMPDIR:-/tmp}/kevu-wow64.XXXXXX")
wine "$2" </dev/null >"$out" 2>&1
rc=$?
cat "$out"
rm -f "$out"
rm -rf "$windows/system32/kevu-wow" "$windows/syswow64/kevu-wow"
wineserver -k 2>/dev/null
exit $rc

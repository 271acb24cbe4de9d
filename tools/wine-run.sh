#!/usr/bin/env bash
# Runs a Windows program under Wine for CTest. Wine may leave helper processes running (the
# desktop process of the first window, services) that inherit the output handles; with CTest's
# pipes they would keep the test "running" until they end, so the output goes through a file.
out=$(mktemp "${TMPDIR:-/tmp}/kevu-wine-run.XXXXXX")
wine "$@" </dev/null >"$out" 2>&1
rc=$?
cat "$out"
rm -f "$out"
exit $rc

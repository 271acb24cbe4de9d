#!/usr/bin/env bash
# Makes 32-bit Windows programs runnable under Wine here, and prepares a throw-away prefix.
#   source tools/wine-setup.sh; kevu_wine_ready [PREFIX]
# Where the kernel runs no 32-bit Linux code (ia32 emulation off), Wine's 32-bit loader is run
# through qemu-i386 registered with binfmt_misc. Debian 12's qemu (7.2) ignores
# MAP_FIXED_NOREPLACE, which makes Wine's address-space reservation take a minute per process,
# so the statically linked qemu-i386 of Debian 13's qemu-user package is used instead.
set -uo pipefail
# shellcheck source=tools/apt-retry.sh
source "$(dirname "${BASH_SOURCE[0]}")/apt-retry.sh"

KEVU_CACHE=${KEVU_CACHE:-/var/cache/kevu}
KEVU_QEMU=$KEVU_CACHE/qemu-i386

kevu_can_run_i386() {
  /usr/lib/wine/wine --version >/dev/null 2>&1
}

kevu_fetch_qemu() {
  [ -x "$KEVU_QEMU" ] && return 0
  local work; work=$(mktemp -d)
  mkdir -p "$work/lists/partial" "$work/cache/archives/partial" "$KEVU_CACHE"
  # Only the machine's own architecture: an i386 list caught mid-sync has nothing we need.
  echo "deb [arch=$(dpkg --print-architecture) signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian trixie main" > "$work/sources.list"
  local opts=(-o "Dir::Etc::SourceList=$work/sources.list" -o Dir::Etc::SourceParts=/dev/null
              -o "Dir::State::Lists=$work/lists" -o "Dir::Cache=$work/cache" -o APT::Sandbox::User=root)
  # As in install-deps.sh: a list that cannot be updated is a warning, a download is tried again.
  fetch_once() {
    apt-get "${opts[@]}" update -q >/dev/null ||
      echo "wine-setup: some package lists could not be updated; going on" >&2
    (cd "$work" && apt-get "${opts[@]}" download qemu-user >/dev/null)
  }
  kevu_retry fetch_once &&
    dpkg -x "$work"/qemu-user_*.deb "$work/x" &&
    install -m 755 "$work/x/usr/bin/qemu-i386" "$KEVU_QEMU"
  local rc=$?
  rm -rf "$work"
  return $rc
}

kevu_register_qemu() {
  local bf=/proc/sys/fs/binfmt_misc
  [ -e $bf/register ] || mount -t binfmt_misc binfmt_misc $bf || return 1
  if [ -e $bf/qemu-i386 ]; then
    grep -q "interpreter $KEVU_QEMU" $bf/qemu-i386 && return 0
    echo -1 > $bf/qemu-i386
  fi
  printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'"$KEVU_QEMU"':F' > $bf/register
}

kevu_enable_i386() {
  kevu_can_run_i386 && return 0
  kevu_fetch_qemu || { echo "wine-setup: cannot fetch qemu-i386" >&2; return 1; }
  kevu_register_qemu || { echo "wine-setup: cannot register qemu-i386 with binfmt_misc" >&2; return 1; }
  kevu_can_run_i386 || { echo "wine-setup: 32-bit Wine still does not run" >&2; return 1; }
}

# kevu_wine_prefix DIR [ARCH]: a fresh prefix (win32 unless ARCH is win64) with a persistent wineserver.
kevu_wine_prefix() {
  export WINEPREFIX=$1 WINEDEBUG=${WINEDEBUG:--all} WINEARCH=${2:-win32} WINEDLLOVERRIDES="mscoree,mshtml="
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || return 1
    wineserver -w
  fi
  wineserver -p 2>/dev/null || true
  # Start Wine's own services now, detached from the caller's pipes: a test runner that
  # waits for its pipes to close would otherwise wait for them.
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}

# kevu_xvfb: a virtual display when there is none (DISPLAY is exported; KEVU_XVFB_PID set).
kevu_xvfb() {
  [ -n "${DISPLAY:-}" ] && return 0
  local n
  for n in $(seq 90 120); do
    [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    KEVU_XVFB_PID=$!
    local _
    for _ in $(seq 1 50); do
      if xdpyinfo -display ":$n" >/dev/null 2>&1; then export DISPLAY=":$n"; return 0; fi
      sleep 0.1
    done
    kill "$KEVU_XVFB_PID" 2>/dev/null
  done
  return 1
}

kevu_wine_ready() {
  kevu_enable_i386 || return 1
  kevu_wine_prefix "${1:-${KEVU_WINEPREFIX:-$PWD/build/wineprefix}}"
}

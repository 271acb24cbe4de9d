#!/usr/bin/env bash
# End-to-end tests of the real kevu.exe: a throw-away Wine prefix on an Xvfb display, fixture
# folders mapped as drives, and our driver using the window from outside as a user does.
#   run_e2e.sh CROSS_BUILD_DIR [--smoke KEVU_EXE RELEASE_BUILD_DIR]
# Prints one line per check, then "N passed, N failed"; the screenshots after a scan are kept as
# CROSS_BUILD_DIR/e2e/kevu-after-scan.png (96 DPI), kevu-dpi144.png, kevu-dpi192.png and
# kevu-high-contrast.png.
# --smoke: only one start of another build's kevu.exe (a release's), with the drivers of
# CROSS_BUILD_DIR: the window up and skinned, the skin files it writes as that build made them;
# its screenshot is RELEASE_BUILD_DIR/kevu-smoke.png.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
usage="usage: $0 CROSS_BUILD_DIR [--smoke KEVU_EXE RELEASE_BUILD_DIR]"
[ $# -eq 1 ] || { [ $# -eq 4 ] && [ "$2" = --smoke ]; } || { echo "$usage" >&2; exit 2; }
build=$(cd "$1" && pwd) || exit 2
artifacts=$build/e2e
kevu=$build/app/kevu.exe
skin_build=$build/skin
smoke=
if [ $# -eq 4 ]; then
  smoke=1 kevu=$(realpath "$3") skin_build=$(cd "$4" && pwd)/skin artifacts=$(cd "$4" && pwd) || exit 2
fi
driver=$build/tests/e2e/driver.exe
recorder=$build/tests/e2e/recorder.exe
dwm_recorder=$build/tests/e2e/dwmapi.dll
inside_probe=$build/tests/e2e/probe.dll
standin=$build/skin/standin_skin.dll

passed=0
failed=0
pass() { echo "PASS $1"; passed=$((passed + 1)); }
fail() { echo "FAIL $1"; failed=$((failed + 1)); }
finish() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
  exit $?
}

if [ ! -f "$driver" ] || [ ! -f "$recorder" ] || [ ! -f "$dwm_recorder" ] || [ ! -f "$inside_probe" ]; then
  cmake --build "$build" --target kevu_e2e_driver kevu_e2e_recorder kevu_e2e_dwm_recorder kevu_e2e_probe \
    -j2 >/dev/null 2>&1
fi
for f in "$kevu" "$driver" "$recorder" "$dwm_recorder" "$inside_probe" "$standin"; do
  [ -f "$f" ] || { fail "build: $(basename "$f") missing"; finish; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/kevu-e2e.XXXXXX")
xvfb_pid=
locked=
cleanup() {
  unlock_folder
  [ -n "${WINEPREFIX:-}" ] && wineserver -k >/dev/null 2>&1
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Wine's own paths and names stay UTF-8 whatever the caller's locale.
export LANG=C.UTF-8 LC_ALL=C.UTF-8

start_display() {
  local n
  for n in $(seq 90 130); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    # Wide enough for the window at 200 % (1480x912).
    Xvfb ":$n" -screen 0 1600x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
    xvfb_pid=$!
    local i
    for i in $(seq 1 50); do
      if xdpyinfo -display ":$n" >/dev/null 2>&1; then export DISPLAY=":$n"; return 0; fi
      kill -0 "$xvfb_pid" 2>/dev/null || break
      sleep 0.2
    done
    kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; xvfb_pid=
  done
  return 1
}

# A folder that nobody may write, as C:\WINDOWS\system is for a standard user. Root passes by
# permissions, so the folder is made immutable then; unlock_folder (also on exit) undoes it.
lock_folder() {
  locked=$1
  if [ "$(id -u)" -eq 0 ]; then chattr +i "$1"; else chmod a-w "$1"; fi
}
unlock_folder() {
  [ -n "$locked" ] || return 0
  chattr -i "$locked" 2>/dev/null
  chmod u+w "$locked" 2>/dev/null
  locked=
}

# Stops the wineserver and everything under it, so drive and registry changes are seen fresh.
restart_wine() {
  wineserver -k >/dev/null 2>&1
  wineserver -w >/dev/null 2>&1
  wineserver -p >/dev/null 2>&1
}

# The display scale every program of the prefix is told from its next start on (Wine reads it once).
set_log_pixels() {
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >>"$work/regedit.log" 2>&1
  restart_wine
}

# The fixture drives, the programs in C:\e2e, the drive types, the test file type and Wine's
# own window frames (there is no window manager on the display).
prepare_prefix() {
  local dd=$WINEPREFIX/dosdevices e2e=$WINEPREFIX/drive_c/e2e
  rm -f "$dd/z:" "$dd/d:" "$dd/e:" "$dd/f:" "$dd/g:" "$dd/h:"
  # Wine links the profile folders to the Linux home; C: must hold only the prefix itself.
  local link
  while IFS= read -r -d '' link; do
    rm -f "$link" && mkdir -p "$link"
  done < <(find "$WINEPREFIX/drive_c" -type l -print0)
  mkdir -p "$e2e"
  if [ -z "$smoke" ]; then
    bash "$here/fixtures.sh" "$work/drives" "$work/manifest.lst" || return 1
    ln -s "$work/drives/d" "$dd/d:"
    ln -s "$work/drives/e" "$dd/e:"
    ln -s "$work/drives/f" "$dd/f:"
    cp "$work/manifest.lst" "$e2e/manifest.lst"
  fi
  cp "$kevu" "$e2e/kevu.exe"
  cp "$kevu" "$e2e/SCAN.TMP"
  cp "$driver" "$e2e/driver.exe"
  cp "$recorder" "$e2e/recorder.exe"
  cp "$inside_probe" "$e2e/probe.dll"
  # kevu.exe's skin gets our recording dwmapi.dll in place of the system's (override below).
  cp "$dwm_recorder" "$WINEPREFIX/drive_c/windows/system32/dwmapi.dll"
  cat >"$e2e/setup.reg" <<'EOF'
REGEDIT4

[HKEY_LOCAL_MACHINE\Software\Wine\Drives]
"d:"="hd"
"e:"="floppy"
"f:"="hd"
"g:"="hd"
"h:"="hd"

[HKEY_CLASSES_ROOT\.kvt]
@="kvtfile"

[HKEY_CLASSES_ROOT\kvtfile\shell\open\command]
@="\"C:\\e2e\\recorder.exe\" \"%1\""

; The default GUI font has no CJK glyphs here; the installed CJK font stands in for it.
[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]
"MS Shell Dlg"="WenQuanYi Micro Hei"
"MS Shell Dlg 2"="WenQuanYi Micro Hei"
"Tahoma"="WenQuanYi Micro Hei"

[HKEY_CURRENT_USER\Software\Wine\AppDefaults\kevu.exe\DllOverrides]
"dwmapi"="native"

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"
"Decorated"="N"
EOF
  wine regedit /S 'C:\e2e\setup.reg' >"$work/regedit.log" 2>&1 || return 1
  restart_wine
}

# A dark high contrast theme's colours, as a theme leaves them in the registry, seen by every
# program of the prefix from its next start on. The labels' face, text and emphasis colours are
# ButtonFace, WindowText and HotTrackingColor; ButtonText differs from WindowText on purpose.
# Wine's own visual style goes, as Windows' normal one does in high contrast: the system's
# controls are then drawn in these colours too.
set_dark_colours() {
  cat >"$WINEPREFIX/drive_c/e2e/dark.reg" <<'EOF'
REGEDIT4

[HKEY_CURRENT_USER\Control Panel\Colors]
"Background"="0 0 0"
"AppWorkspace"="45 50 54"
"Window"="45 50 54"
"WindowText"="255 255 255"
"WindowFrame"="255 255 255"
"ButtonFace"="45 50 54"
"ButtonText"="182 246 240"
"ButtonShadow"="128 128 128"
"ButtonHilight"="255 255 255"
"ButtonLight"="45 50 54"
"ButtonDkShadow"="0 0 0"
"ButtonAlternateFace"="45 50 54"
"GrayText"="166 166 166"
"Hilight"="161 191 222"
"HilightText"="45 50 54"
"HotTrackingColor"="112 235 222"
"ActiveTitle"="20 20 20"
"GradientActiveTitle"="20 20 20"
"TitleText"="255 255 255"
"InactiveTitle"="60 60 60"
"GradientInactiveTitle"="60 60 60"
"InactiveTitleText"="166 166 166"
"ActiveBorder"="45 50 54"
"InactiveBorder"="45 50 54"
"Menu"="45 50 54"
"MenuText"="255 255 255"
"MenuBar"="45 50 54"
"MenuHilight"="161 191 222"
"InfoWindow"="45 50 54"
"InfoText"="255 255 255"
"Scrollbar"="45 50 54"

[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\ThemeManager]
"ThemeActive"="0"
EOF
  wine regedit /S 'C:\e2e\dark.reg' >>"$work/regedit.log" 2>&1
  restart_wine
}

# run_driver NAME TIMEOUT STEPS...: one driver process; its check lines count here. The screenshot
# at its pause goes to $screenshot (kevu-after-scan.png unless set).
run_driver() {
  local shot=$artifacts/${screenshot:-kevu-after-scan.png}
  local name=$1 limit=$2; shift 2
  local log=$work/$name.log start=$SECONDS
  timeout "$limit" wine 'C:\e2e\driver.exe' "$@" >"$log" 2>"$work/$name.err" &
  local pid=$!
  # The driver pauses once the scans are on screen, so the screenshot shows them.
  local ready=$WINEPREFIX/drive_c/e2e/ready
  while kill -0 "$pid" 2>/dev/null; do
    if [ -e "$ready" ]; then
      if import -display "$DISPLAY" -window root "$shot" 2>>"$work/$name.err"; then
        pass "screenshot: $shot"
      else
        fail "screenshot $shot"
      fi
      rm -f "$ready"
      touch "$WINEPREFIX/drive_c/e2e/go"
    fi
    sleep 0.5
  done
  wait "$pid"
  local rc=$?
  echo "NOTE $name: $((SECONDS - start))s"
  grep -E '^(PASS|FAIL|NOTE) ' "$log"
  local p f
  p=$(grep -c '^PASS ' "$log")
  f=$(grep -c '^FAIL ' "$log")
  passed=$((passed + p))
  failed=$((failed + f))
  if [ "$rc" -eq 124 ]; then
    fail "$name: driver timed out after ${limit}s"
  elif [ "$rc" -ne 0 ] && [ "$f" -eq 0 ]; then
    fail "$name: driver ended with code $rc"
    tail -5 "$work/$name.err"
  fi
}

mkdir -p "$artifacts"
if [ -n "$smoke" ]; then rm -f "$artifacts/kevu-smoke.png"; else rm -f "$artifacts"/kevu-after-scan.png "$artifacts"/kevu-dpi*.png "$artifacts"/kevu-high-contrast.png; fi

start_display && pass "Xvfb display $DISPLAY" || { fail "Xvfb display"; finish; }
# shellcheck source=tools/wine-setup.sh
source "$root/tools/wine-setup.sh"
prefix_name="Wine prefix with fixture drives D: E: F:"
[ -z "$smoke" ] || prefix_name="Wine prefix"
if kevu_wine_ready "$work/prefix" && restart_wine && prepare_prefix; then
  pass "$prefix_name"
else
  fail "$prefix_name"
  finish
fi

manifest='C:\e2e\manifest.lst'
recorder_log='C:\e2e\recorder.log'
# The skin's colours as a user sees them: window face, caption left end active and inactive.
colour() { sed -n "s/^$1 *= *#\([0-9A-Fa-f]\{6\}\).*/\1/p" "$root/skin/ember.skin.txt"; }
skin_look=("$(colour window.face)" "$(colour caption.active.left)" "$(colour caption.inactive.left)")
system_dir=$WINEPREFIX/drive_c/windows/system
user_dir=$WINEPREFIX/drive_c/users/$(id -un)/AppData/Local
built_dll=$skin_build/Skin.dll
built_ember=$skin_build/Ember.skn
other_build=0123456789abcdef

# The folder of this build's per-user copies: the one under KEVU\ named by 16 hex digits that
# another build did not leave.
own_copies() {
  find "$user_dir/KEVU" -mindepth 1 -maxdepth 1 -type d -regextype posix-extended -regex '.*/[0-9a-f]{16}' \
    ! -name "$other_build" 2>/dev/null
}

# skin_files NAME WHERE: the files of the skin are where WHERE says (system, user, user-dll), each
# as built, and no temporary file of a write is left anywhere on C:.
skin_files() {
  local name=$1 where=$2 dll=$system_dir/Skin.dll ember=$system_dir/Ember.skn own
  own=$(own_copies)
  case $where in
    user) dll=$own/Skin.dll ember=$own/Ember.skn ;;
    user-dll) dll=$own/Skin.dll ;;
  esac
  if cmp -s "$dll" "$built_dll" && cmp -s "$ember" "$built_ember"; then
    pass "$name: Skin.dll and Ember.skn as built in ${dll%/*}"
  else
    fail "$name: Skin.dll and Ember.skn as built in ${dll%/*}"
  fi
  case $where in
    system) [ ! -e "$user_dir/KEVU" ] && pass "$name: no per-user folder" || fail "$name: no per-user folder" ;;
    user-dll) [ ! -e "$own/Ember.skn" ] && pass "$name: the system folder's Ember.skn used" ||
      fail "$name: the system folder's Ember.skn used" ;;
  esac
  local temps
  temps=$(find "$WINEPREFIX/drive_c" -regextype posix-extended -regex '.*/(Skin\.dll|Ember\.skn|frost\.skn)\.[0-9]+-[0-9]+\.tmp')
  [ -z "$temps" ] && pass "$name: no temporary file left" || fail "$name: no temporary file left: $temps"
}

# The skin turned the compositor's frame rendering off for the main window:
# DWMWA_NCRENDERING_POLICY (2) = DWMNCRP_DISABLED (1).
compositor_off() {
  local dwm_log=$WINEPREFIX/drive_c/e2e/dwm.log
  if grep -qx 'KevuMainWindow top-level attribute=2 value=1 size=4' "$dwm_log" 2>/dev/null; then
    pass "skin: compositor frame rendering off for the main window"
  else
    fail "skin: compositor frame rendering off for the main window ($(tr '\n' ';' <"$dwm_log" 2>/dev/null || echo 'no call'))"
  fi
}

if [ -n "$smoke" ]; then
  screenshot=kevu-smoke.png run_driver smoke 300 \
    launch 'C:\e2e\kevu.exe' skinned "${skin_look[@]}" pause 'C:\e2e\ready' 'C:\e2e\go' close
  compositor_off
  skin_files "smoke" system
  finish
fi

[ -d "$user_dir" ] && pass "per-user folder of the prefix: $user_dir" || fail "per-user folder of the prefix: $user_dir"
run_driver window 420 \
  drive-type D fixed drive-type E removable drive-type F fixed volume-label D KevuData \
  launch 'C:\e2e\kevu.exe' skinned "${skin_look[@]}" initial screen-reader geometry drivebox D:KevuData F: -E \
  scan-drive D "$manifest" screen-reader scan-end scan-drive D "$manifest" open-row .kvt "$recorder_log" \
  pause 'C:\e2e\ready' 'C:\e2e\go' \
  full-scan "$manifest" open-deleted .kvt clear open-none "$recorder_log" \
  scan-drive F "$manifest" open-row .kvt "$recorder_log" open-below "$recorder_log" close

compositor_off
skin_files "skin, writable system folder" system

run_driver keyboard 300 \
  launch 'C:\e2e\kevu.exe' keyboard D "$manifest" escape-each 'C:\e2e\kevu.exe'

# The large drives join only now, so the whole-machine scan above stays short.
ln -s "$work/drives/g" "$WINEPREFIX/dosdevices/g:"
ln -s "$work/drives/h" "$WINEPREFIX/dosdevices/h:"
restart_wine
run_driver signal-and-clear 540 \
  signal 'C:\e2e\SCAN.TMP' zero signal 'C:\e2e\kevu.exe' keep \
  launch 'C:\e2e\kevu.exe' scan-drive G "$manifest" clear-during-scan G "$manifest" \
  watch-grid-during-scan G open-during-scan H "$recorder_log" escape-during-scan G

# A standard user's start after an upgrade: the system folder takes nothing, and the per-user
# place holds another build's copies (a library that loads, has AttachSkinEx and paints nothing),
# straight in KEVU\ as builds before the per-build folders left them, and in another build's
# folder. They stay as they are and are never loaded; this build's own copies are used.
rm -f "$system_dir/Skin.dll" "$system_dir/Ember.skn"
rm -rf "$user_dir/KEVU"
old_copies=("$user_dir/KEVU" "$user_dir/KEVU/$other_build")
for old in "${old_copies[@]}"; do
  mkdir -p "$old" && cp "$standin" "$old/Skin.dll" && cp "$built_ember" "$old/Ember.skn"
done
system_before=$(ls -A "$system_dir")
if lock_folder "$system_dir"; then
  run_driver skin-upgrade 300 launch 'C:\e2e\kevu.exe' skinned "${skin_look[@]}" close
  [ "$(ls -A "$system_dir")" = "$system_before" ] && pass "skin, unwritable system folder: nothing new there" ||
    fail "skin, unwritable system folder: nothing new there"
  unlock_folder
  skin_files "skin, unwritable system folder" user
  for old in "${old_copies[@]}"; do
    what="skin, upgrade: another build's copies in ${old#"$user_dir"/} left as they are and never loaded"
    if cmp -s "$old/Skin.dll" "$standin" && cmp -s "$old/Ember.skn" "$built_ember" && [ ! -e "$old/Skin.dll.args" ]; then
      pass "$what"
    else
      fail "$what"
    fi
  done
else
  fail "skin, unwritable system folder: cannot lock $system_dir"
fi

# A cut-off Skin.dll under the fixed name stays as it is; the per-user copy stands in.
head -c 4096 "$built_dll" >"$work/cut-Skin.dll"
cp "$work/cut-Skin.dll" "$system_dir/Skin.dll"
cp "$built_ember" "$system_dir/Ember.skn"
rm -rf "$user_dir/KEVU"
run_driver skin-cut-off 300 launch 'C:\e2e\kevu.exe' skinned "${skin_look[@]}" close
cmp -s "$system_dir/Skin.dll" "$work/cut-Skin.dll" && pass "skin, cut-off Skin.dll: left byte for byte" ||
  fail "skin, cut-off Skin.dll: left byte for byte"
skin_files "skin, cut-off Skin.dll" user-dll

# Two first starts at once: both skinned, one copy of each file.
rm -f "$system_dir/Skin.dll" "$system_dir/Ember.skn"
rm -rf "$user_dir/KEVU"
run_driver skin-two-starts 300 launch-two 'C:\e2e\kevu.exe' "${skin_look[@]}"
skin_files "skin, two starts at once" system

# Started at 96 DPI, told of a monitor at 150 % while it scans.
run_driver dpi-change 300 launch 'C:\e2e\kevu.exe' dpi-change-during-scan G "$manifest" 144 close

# Started at 125, 150 and 200 %: the layout of the 96-DPI run scaled, the caption as tall as the
# frame's at that scale (the caption height measured at 96 DPI above), a scan, a screenshot.
caption96=$(sed -n 's/^NOTE geometry: caption height \([0-9]*\) px$/\1/p' "$work/window.log" | head -1)
for dpi in 120 144 192; do
  set_log_pixels "$dpi"
  steps=(launch 'C:\e2e\kevu.exe' geometry "$dpi" "${caption96:-0}")
  [ "$dpi" -ne 120 ] && steps+=(scan-drive D "$manifest" pause 'C:\e2e\ready' 'C:\e2e\go')
  screenshot=kevu-dpi$dpi.png run_driver "dpi-$dpi" 300 "${steps[@]}" close
done

# High contrast switched on and off during a run, with a dark theme's colours (Wine cannot turn
# it on: probe.dll makes SPI_GETHIGHCONTRAST report it inside kevu.exe).
set_log_pixels 96
set_dark_colours
screenshot=kevu-high-contrast.png run_driver high-contrast 300 \
  launch 'C:\e2e\kevu.exe' skinned "${skin_look[@]}" scan-drive D "$manifest" \
  high-contrast on pause 'C:\e2e\ready' 'C:\e2e\go' high-contrast off skinned "${skin_look[@]}" close

finish

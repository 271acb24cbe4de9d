#!/usr/bin/env bash
# Builds kevu.exe and runs it under Wine with a small demo folder as drive D:.
# With a display it just runs the program. Without one it starts Xvfb, scans D: through the
# end-to-end driver (when built), leaves build/kevu-screenshot.png and ends the program.
#   KEVU_RUN_BUILD=DIR picks the cross build directory (default build/cross).
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash tools/install-deps.sh all || { echo "run: cannot install the packages it needs" >&2; exit 1; }
build=${KEVU_RUN_BUILD:-$root/build/cross}
cmake --preset cross -B "$build" >/dev/null && cmake --build "$build" -j2 --target kevu || exit 1
cmake --build "$build" -j2 --target kevu_e2e_driver >/dev/null 2>&1 || true
kevu=$build/app/kevu.exe
driver=$build/tests/e2e/driver.exe

# Wine's own paths and names stay UTF-8 whatever the caller's locale.
export LANG=C.UTF-8 LC_ALL=C.UTF-8

xvfb_pid=
cleanup() {
  [ -n "${WINEPREFIX:-}" ] && wineserver -k >/dev/null 2>&1
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
}
trap cleanup EXIT
trap 'exit 130' INT TERM

headless=0
if [ -z "${DISPLAY:-}" ]; then
  headless=1
  Xvfb :91 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=:91
  for _ in $(seq 1 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.2; done
fi

# shellcheck source=tools/wine-setup.sh
source tools/wine-setup.sh
kevu_wine_ready "$root/build/run-prefix" || { echo "run: Wine is not usable here" >&2; exit 1; }

# The demo drive: a few suspects of every kind with Chinese names, and some harmless files.
demo=$root/build/demo
rm -rf "$demo"
python3 - "$demo" "$WINEPREFIX/drive_c/kevu-run/manifest.lst" <<'EOF'
import os, sys

demo, manifest = sys.argv[1], sys.argv[2]
suspects = []

def put(rel, data=b"x" * 64, category=None):
    path = os.path.join(demo, *rel.split("\\"))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
    if category:
        suspects.append(("D:\\" + rel, category))

article = ("这是一篇小说。黄色文学 乳房 胸部 酥胸 玉腿\r\n").encode("gbk")
put("电影\\性感美女.avi", b"x" * 7340032, "可疑色情视频")
put("电影\\激情.rmvb", b"x" * 1234, "可疑色情视频")
put("电影\\普通电影.avi")
put("图片\\内衣.bmp", b"x" * 4096, "可疑色情图片")
put("图片\\bikini.jpg", b"x" * 2048, "可疑色情图片")
put("图片\\风景.jpg")
put("音乐\\艳舞.mp3", b"x" * 3000, "可疑色情音频")
put("种子\\成人.torrent", b"x" * 300, "可疑色情BT种子")
put("文档\\小说.txt", article, "可疑色情文章")
put("文档\\笔记.txt", "今天天气很好。\r\n".encode("gbk"))
put("文档\\性感.kvt", b"x" * 25, "可疑色情文件")
os.makedirs(os.path.dirname(manifest), exist_ok=True)
with open(manifest, "w", encoding="utf-8", newline="\n") as f:
    for path, category in suspects:
        f.write(path + "\t" + category + "\n")
EOF

dd=$WINEPREFIX/dosdevices
rm -f "$dd/d:"
ln -s "$demo" "$dd/d:"
work=$WINEPREFIX/drive_c/kevu-run
cp "$kevu" "$work/kevu.exe"
[ -f "$driver" ] && cp "$driver" "$work/driver.exe"
# D: as a fixed disk; Wine's frames (no window manager on Xvfb); a font with Chinese for the
# faces the program asks for.
cat >"$work/setup.reg" <<'EOF'
REGEDIT4

[HKEY_LOCAL_MACHINE\Software\Wine\Drives]
"d:"="hd"

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]
"SimSun"="WenQuanYi Micro Hei Mono"
"NSimSun"="WenQuanYi Micro Hei Mono"
EOF
if [ "$headless" -eq 1 ]; then
  printf '\n[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\n"Managed"="N"\n' >>"$work/setup.reg"
fi
wine regedit /S 'C:\kevu-run\setup.reg' >/dev/null 2>&1
wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' /v "新宋体" \
  /d "WenQuanYi Micro Hei Mono" /f >/dev/null 2>&1
link='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink'
for face in Tahoma "MS Shell Dlg" "MS Shell Dlg 2"; do
  wine reg add "$link" /v "$face" /t REG_MULTI_SZ /d "wqy-microhei.ttc,WenQuanYi Micro Hei" /f >/dev/null 2>&1
done
# Drive and font settings are read when the wineserver starts.
wineserver -k >/dev/null 2>&1
wineserver -w >/dev/null 2>&1

if [ "$headless" -eq 0 ]; then
  wine 'C:\kevu-run\kevu.exe'
  exit $?
fi

shot=$root/build/kevu-screenshot.png
rm -f "$shot" "$work/ready" "$work/go"
if [ -f "$work/driver.exe" ]; then
  wine 'C:\kevu-run\driver.exe' launch 'C:\kevu-run\kevu.exe' scan-drive D 'C:\kevu-run\manifest.lst' \
    pause 'C:\kevu-run\ready' 'C:\kevu-run\go' close >"$work/driver.log" 2>&1 &
  driver_pid=$!
  for _ in $(seq 1 600); do
    [ -e "$work/ready" ] && break
    kill -0 "$driver_pid" 2>/dev/null || break
    sleep 0.5
  done
  import -window root "$shot"
  touch "$work/go"
  wait "$driver_pid"
  grep -E '^(PASS|FAIL) ' "$work/driver.log"
else
  # No driver built: show the window as it starts, then end it.
  wine 'C:\kevu-run\kevu.exe' &
  sleep 20
  import -window root "$shot"
fi
[ -f "$shot" ] && echo "screenshot: $shot"

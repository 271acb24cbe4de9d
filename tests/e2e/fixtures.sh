#!/usr/bin/env bash
# Builds the folders that the end-to-end tests map as drives, and the manifest of the suspects
# they hold (one line per file: Windows path, a tab, the category text; UTF-8).
#   fixtures.sh DRIVES_DIR MANIFEST
# DRIVES_DIR/d: fixed disk with a volume label, 20 suspects of every kind and tricky non-suspects
# DRIVES_DIR/e: removable disk; DRIVES_DIR/f: fixed disk without a label;
# DRIVES_DIR/g: 200,000 files, one suspect in a thousand (long enough to act during a scan);
# DRIVES_DIR/h: 60,000 files, ten suspects (all in view while the walk goes on).
set -euo pipefail
out=$1 manifest=$2
rm -rf "$out"
mkdir -p "$out"

python3 - "$out" "$manifest" <<'EOF'
import os, sys

out, manifest = sys.argv[1], sys.argv[2]
VIDEO, PICTURE, AUDIO, BT, ARTICLE, FILE = ("可疑色情视频", "可疑色情图片", "可疑色情音频",
                                            "可疑色情BT种子", "可疑色情文章", "可疑色情文件")
# Five different entries of the content list; 激情 stands twice in it and counts twice.
FIVE = "黄色文学 乳房 胸部 酥胸 玉腿"
FOUR = "黄色文学 乳房 胸部 酥胸"
TWICE_PLUS_THREE = "激情 乳房 胸部 酥胸"
suspects = []

def put(drive, rel, data=b"", size=None, category=None):
    path = os.path.join(out, drive, *rel.split("\\"))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
        if size is not None:
            f.truncate(size)  # sparse: the size is what counts
    if category:
        suspects.append((drive.upper() + ":\\" + rel, category))

def text(s):
    return ("这是一个文本文件。" + s + "\r\n").encode("gbk")

d = "d"
put(d, ".windows-label", b"KevuData\n")
put(d, "电影\\性感美女.avi", b"x" * 1234, category=VIDEO)
put(d, "电影\\无码.WMV", b"x" * 77, category=VIDEO)
put(d, "电影\\成人片.rm", b"x" * 10, category=VIDEO)
put(d, "电影\\激情.rmvb", b"x" * 11, category=VIDEO)
put(d, "电影\\美女.flv", b"x" * 9, category=VIDEO)
put(d, "电影\\普通电影.avi", b"x" * 12)
put(d, "电影\\TOKYO.avi", b"x" * 13)  # the list holds tokyo and Tokyo only
put(d, "电影\\tokyo.avi", b"x" * 14, category=VIDEO)
put(d, "电影\\深层\\更深\\Sexy-clip.jpeg", b"x" * 15, category=FILE)
put(d, "电影\\深层\\更深\\plain.mpeg", b"x" * 16)
put(d, "大文件\\无码大片.mkv", size=5_000_000_000, category=VIDEO)
put(d, ".诱惑.avi", b"x" * 17, category=VIDEO)  # a hidden file is judged like any other
put(d, "图片\\bikini.jpg", b"x" * 18, category=PICTURE)
put(d, "图片\\Bikini.PNG", b"x" * 19, category=PICTURE)
put(d, "图片\\内衣.bmp", b"x" * 20, category=PICTURE)
put(d, "图片\\写真0.gif", category=PICTURE)
put(d, "图片\\holiday.jpg", b"x" * 21)
put(d, "音乐\\艳舞.mp3", b"x" * 22, category=AUDIO)
put(d, "种子\\成人.torrent", b"x" * 23, category=BT)
put(d, "种子\\美女rent", b"x" * 24, category=BT)
put(d, "文档\\性感.kvt", b"x" * 25, category=FILE)
put(d, "文档\\小说.txt", text(FIVE), category=ARTICLE)
put(d, "文档\\README.TXT", text(FIVE), category=ARTICLE)
put(d, "文档\\重复.txt", text(TWICE_PLUS_THREE), category=ARTICLE)
put(d, "文档\\性感四个.txt", text(FOUR))  # a .txt is judged by its content only
put(d, "文档\\空头.txt", b"\0" + text(FIVE))  # the content ends at the first NUL
put(d, "性感目录\\plain.avi", b"x" * 26)  # a keyword in the folder counts for nothing
os.makedirs(os.path.join(out, d, "空目录"), exist_ok=True)

put("e", "xxx.avi", b"x" * 30, category=VIDEO)
put("e", "照片\\性感.png", b"x" * 31, category=PICTURE)
put("e", "照片\\风景.png", b"x" * 32)

put("f", "下载\\sexy.avi", b"x" * 40, category=VIDEO)
put("f", "美女.jpg", b"x" * 41, category=PICTURE)
put("f", "下载\\notes.doc", b"x" * 42)
put("f", "下载\\美女.kvt", b"x" * 43, category=FILE)

for folder in range(20):
    for i in range(10000):
        n = folder * 10000 + i
        if n % 1000 == 457:
            put("g", "批量%02d\\性感%06d.avi" % (folder, n), b"x" * (n % 997), category=VIDEO)
        else:
            put("g", "批量%02d\\f%06d.dat" % (folder, n))

for folder in range(10):
    for i in range(6000):
        if i == 3000:
            put("h", "慢%02d\\美女%02d.kvt" % (folder, folder), b"x" * (folder + 1), category=FILE)
        else:
            put("h", "慢%02d\\f%04d.dat" % (folder, i))

with open(manifest, "w", encoding="utf-8", newline="\n") as f:
    for path, category in suspects:
        f.write(path + "\t" + category + "\n")
EOF

// Shared helpers of the benchmarks: timing, medians, machine facts, memory figures, the verdict
// line, and the deterministic generator every benchmark builds its data with.
#pragma once

#include <sys/resource.h>
#include <sys/stat.h>
#include <time.h>
#include <sys/statfs.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <system_error>
#include <vector>
#include <filesystem>

#include "scan/keyword_matcher.h"
#include "scan/keywords.h"
#include "support/plain_scan.h"

namespace bench {

// splitmix64: the same numbers on every machine and library, unlike the std distributions.
class Rng {
 public:
  explicit Rng(uint64_t seed) : state_(seed) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // 0 .. n-1
  size_t Below(size_t n) { return n == 0 ? 0 : static_cast<size_t>(Next() % n); }
  // true with probability percent/100
  bool Percent(unsigned percent) { return Below(100) < percent; }

 private:
  uint64_t state_;
};

inline constexpr uint64_t kSeed = 20240611;

inline double Seconds(std::function<void()> body) {
  auto start = std::chrono::steady_clock::now();
  body();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// CPU seconds (user + system) of this process and of its waited-for children.
inline double CpuSeconds() {
  struct timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  struct rusage c{};
  getrusage(RUSAGE_CHILDREN, &c);
  return t.tv_sec + t.tv_nsec * 1e-9 + c.ru_utime.tv_sec + c.ru_stime.tv_sec +
         (c.ru_utime.tv_usec + c.ru_stime.tv_usec) * 1e-6;
}

inline double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

inline std::string Join(const std::vector<double>& v, const char* format) {
  std::string out;
  char buf[64];
  for (double d : v) {
    std::snprintf(buf, sizeof buf, format, d);
    if (!out.empty()) out += ' ';
    out += buf;
  }
  return out;
}

// A field of /proc/self/status in KiB (VmRSS, VmHWM), -1 when absent.
inline long StatusKiB(const char* field) {
  std::ifstream in("/proc/self/status");
  std::string line;
  size_t n = std::strlen(field);
  while (std::getline(in, line)) {
    if (line.compare(0, n, field) == 0 && line.size() > n && line[n] == ':') {
      return std::atol(line.c_str() + n + 1);
    }
  }
  return -1;
}

inline std::string FileSystemType(const std::string& path) {
  struct statfs fs{};
  if (statfs(path.c_str(), &fs) != 0) return "?";
  switch (static_cast<unsigned long>(fs.f_type)) {
    case 0xEF53: return "ext2/3/4";
    case 0x01021994: return "tmpfs";
    case 0x9123683E: return "btrfs";
    case 0x58465342: return "xfs";
    case 0x794C7630: return "overlayfs";
    default: {
      char buf[32];
      std::snprintf(buf, sizeof buf, "0x%lx", static_cast<unsigned long>(fs.f_type));
      return buf;
    }
  }
}

inline std::string CpuModel() {
  std::ifstream in("/proc/cpuinfo");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("model name", 0) == 0) {
      size_t colon = line.find(':');
      if (colon != std::string::npos) return line.substr(colon + 2);
    }
  }
  return "?";
}

inline void PrintMachine(const char* benchmark, const std::string& dataDir) {
  struct utsname u{};
  uname(&u);
  long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGE_SIZE);
  std::printf("== %s\n", benchmark);
  std::printf("machine: nproc %ld, cpu %s, %.1f GiB RAM, %s %s\n", sysconf(_SC_NPROCESSORS_ONLN),
              CpuModel().c_str(), static_cast<double>(pages) * pageSize / (1024.0 * 1024 * 1024), u.sysname,
              u.release);
  if (!dataDir.empty()) {
    std::printf("data: %s (%s)\n", dataDir.c_str(), FileSystemType(dataDir).c_str());
  }
}

// One result line. higherIsBetter: the goal is ratio >= goal, else ratio <= goal.
inline void PrintVerdict(const char* what, double ratio, bool higherIsBetter, double goal) {
  bool pass = higherIsBetter ? ratio >= goal : ratio <= goal;
  std::printf("%s: ratio %.3f, goal %s %.2f -> %s\n", what, ratio, higherIsBetter ? ">=" : "<=", goal,
              pass ? "PASS" : "MISS");
}

inline void PrintAbsolute(const char* what, double value, const char* unit, double goal) {
  std::printf("%s: %.3f %s, goal < %.2f %s -> %s\n", what, value, unit, goal, unit, value < goal ? "PASS" : "MISS");
}

// The folder the benchmark generates its data in: --data DIR, else $TMPDIR, else /tmp.
inline std::string DataRoot(int argc, char** argv, const char* leaf) {
  std::string base;
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "--data") == 0) base = argv[i + 1];
  }
  if (base.empty()) {
    const char* tmp = std::getenv("TMPDIR");
    base = tmp && *tmp ? tmp : "/tmp";
  }
  std::error_code ec;
  std::filesystem::create_directories(base, ec);
  std::string dir = std::filesystem::absolute(base, ec).string();
  if (dir.empty() || dir.back() != '/') dir += '/';
  dir += leaf;
  dir += '.' + std::to_string(getpid()) + '/';
  return dir;
}

inline long long IntFlag(int argc, char** argv, const char* flag, long long fallback) {
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], flag) == 0) return std::atoll(argv[i + 1]);
  }
  return fallback;
}

inline void RemoveTree(const std::string& dir) {
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
}

// UTF-8 characters of a text, each as its own string.
inline std::vector<std::string> Utf8Chars(const std::string& text) {
  std::vector<std::string> out;
  for (size_t i = 0; i < text.size();) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    size_t n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    out.push_back(text.substr(i, n));
    i += n;
  }
  return out;
}

// GBK-convertible name pieces of a fictional user's disk (UTF-8).
inline const std::vector<std::string>& ChineseWords() {
  static const std::vector<std::string> words = {
      "照片", "旅行", "文档", "会议记录", "工作报告", "家庭", "风景", "音乐", "学习资料", "新建文件夹",
      "毕业论文", "发票", "合同", "备份", "截图", "课件", "相册", "下载", "临时", "项目计划",
      "年终总结", "菜谱", "地图", "日记", "通讯录", "简历", "说明书", "游戏存档", "壁纸", "录音"};
  return words;
}

inline const std::vector<std::string>& LatinWords() {
  static const std::vector<std::string> words = {
      "photo", "IMG", "report", "holiday", "music", "track", "video", "setup", "data", "notes",
      "Backup", "draft", "final", "scan", "invoice", "readme", "Summer", "trip", "mix", "copy"};
  return words;
}

inline const std::vector<std::string>& Extensions() {
  static const std::vector<std::string> ext = {".jpg", ".png", ".avi", ".mp4", ".mp3", ".doc", ".exe",
                                               ".dll", ".xls", ".rmvb", ".torrent", ".zip", ".pdf", ".JPG",
                                               ".gif", ".wmv", ".rar", ".ini", ".log", ".dat"};
  return ext;
}

}  // namespace bench

namespace bench {

// A plausible file name (UTF-8, GBK-convertible): one to three Chinese or Latin pieces, with a
// keyword among them in keywordPercent of the names, a serial number and the extension.
inline std::string MakeName(Rng& rng, const std::vector<std::string>& keywordsUtf8, unsigned keywordPercent,
                            size_t serial, const std::string& ext) {
  static const char* const kJoins[] = {"_", " ", "-", ""};
  std::string name;
  size_t parts = 1 + rng.Below(3);
  size_t keywordAt = keywordsUtf8.empty() || !rng.Percent(keywordPercent) ? parts : rng.Below(parts);
  for (size_t i = 0; i < parts; ++i) {
    if (i > 0) name += kJoins[rng.Below(4)];
    if (i == keywordAt) {
      name += keywordsUtf8[rng.Below(keywordsUtf8.size())];
    } else if (rng.Percent(60)) {
      name += ChineseWords()[rng.Below(ChineseWords().size())];
    } else {
      name += LatinWords()[rng.Below(LatinWords().size())];
    }
  }
  name += '_';
  name += std::to_string(serial);
  name += ext;
  return name;
}

// Content entries listed once and holding no other entry, so a text with k of them counts k.
// withDigits false also leaves out the entries that begin with digits.
inline std::vector<std::string> SingleContentEntries(bool withDigits = true) {
  std::vector<std::string> out;
  for (const std::string& e : ContentKeywords) {
    size_t listed = 0, inside = 0;
    for (const std::string& f : ContentKeywords) {
      if (f == e) ++listed;
      if (PlainScanContains(e, f)) ++inside;
    }
    const bool digits = !e.empty() && e[0] >= '0' && e[0] <= '9';
    if (listed == 1 && inside == 1 && (withDigits || !digits)) out.push_back(e);
  }
  return out;
}

}  // namespace bench

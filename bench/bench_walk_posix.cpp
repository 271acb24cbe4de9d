// The engine's full scan of a generated tree (walk, name conversion, classifier, rows and
// progress into a ControlState), with read-ahead and with one thread, against a bare walk over
// the same listing code, find(1) and fdfind on the same tree; warm, and cold (page cache
// dropped, as root) with the pool sizes that chose the program's.
//   bench_walk [--data DIR] [--files N] [--runs N] [--cold-runs N] [--keep 1]
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <cstdio>
#include <string>
#include <vector>

#include "app/platform_context.h"
#include "bench_common.h"
#include "platform/dir_listing.h"
#include "platform/file_reader.h"
#include "platform/seek_penalty.h"
#include "scan/classifier.h"
#include "scan/keyword_matcher.h"
#include "scan/keywords.h"
#include "scan/read_ahead.h"
#include "scan/scan_context.h"
#include "scan/scan_worker.h"
#include "scan/walker.h"
#include "state/control_state.h"
#include "support/plain_scan.h"
#include "text/codepage.h"

namespace {

struct TreeFacts {
  size_t files = 0;
  size_t dirs = 0;
  size_t txt = 0;
  size_t txtWithText = 0;  // the ones the engine opens: an empty ".txt" is not read
  size_t suspects = 0;  // by the plain per-entry scan of the rules
};

bool MakeFile(const std::string& path, const std::string& content, uint64_t sparseSize) {
  int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
  if (fd < 0) return false;
  bool ok = true;
  if (!content.empty()) ok = ::write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size());
  if (ok && sparseSize > 0) ok = ::ftruncate(fd, static_cast<off_t>(sparseSize)) == 0;
  ::close(fd);
  return ok;
}

// A GBK text holding `hits` distinct content entries (each listed once), between filler words.
std::string TxtContent(bench::Rng& rng, const std::vector<std::string>& singles, unsigned hits) {
  std::string text = Utf8ToGbk("今天天气很好，我们去公园散步。\r\n");
  for (unsigned i = 0; i < hits; ++i) {
    text += Utf8ToGbk("然后");
    text += singles[(i * 7 + rng.Below(3)) % singles.size()];
    text += Utf8ToGbk("。\r\n");
  }
  return text;
}


// Nested folders: root / 8 / 8 / 8 / 12 leaves (6,729 folders); the leaves hold most files.
TreeFacts MakeTree(const std::string& root, size_t fileCount) {
  TreeFacts facts;
  bench::Rng rng(bench::kSeed);
  std::vector<std::string> keywordsUtf8;
  for (const std::string& k : NameKeywords) keywordsUtf8.push_back(GbkToUtf8(k));
  std::vector<std::string> singles = bench::SingleContentEntries();
  constexpr size_t kFanOut[] = {8, 8, 8, 12};
  constexpr size_t kLevels = sizeof kFanOut / sizeof kFanOut[0];
  size_t leaves = 1, inner = 0;
  for (size_t level = 0; level < kLevels; ++level) {
    inner += leaves;
    leaves *= kFanOut[level];
  }
  const size_t perInner = 10;
  size_t perLeaf = fileCount > inner * perInner ? (fileCount - inner * perInner + leaves - 1) / leaves : 1;
  size_t serial = 0;

  auto fill = [&](const std::string& dir, size_t count) {
    for (size_t i = 0; i < count; ++i) {
      bool txt = rng.Percent(5);
      std::string ext = txt ? (rng.Percent(90) ? ".txt" : ".TXT") : bench::Extensions()[rng.Below(bench::Extensions().size())];
      std::string name = bench::MakeName(rng, keywordsUtf8, txt ? 10 : 3, serial++, ext);
      std::string content;
      uint64_t sparse = 0;
      if (txt) {
        ++facts.txt;
        if (rng.Percent(20)) {
          ++facts.txtWithText;
          bool suspect = rng.Percent(50);
          content = TxtContent(rng, singles, suspect ? 5 : 2);
          if (suspect) ++facts.suspects;
        }
      } else {
        if (rng.Percent(10)) sparse = 1 + rng.Below(10u << 20);
        if (PlainScanMatchAny(Utf8ToGbk(name), NameKeywords)) ++facts.suspects;
      }
      if (MakeFile(dir + name, content, sparse)) ++facts.files;
    }
  };
  std::function<void(const std::string&, size_t)> make = [&](const std::string& dir, size_t level) {
    ::mkdir(dir.c_str(), 0755);
    ++facts.dirs;
    if (level == kLevels) {
      fill(dir, perLeaf);
      return;
    }
    fill(dir, perInner);
    for (size_t i = 0; i < kFanOut[level]; ++i) {
      const size_t pick = rng.Below(1000);
      std::string name = level % 2 ? bench::ChineseWords()[pick % bench::ChineseWords().size()] + " " + std::to_string(i)
                                    : bench::LatinWords()[pick % bench::LatinWords().size()] + "_" + std::to_string(i);
      make(dir + name + "/", level + 1);
    }
  };
  make(root, 0);
  return facts;
}

// The facts of a kept tree, so that a later run reuses it instead of making it again.
bool LoadFacts(const std::string& file, TreeFacts& facts) {
  FILE* f = std::fopen(file.c_str(), "r");
  if (f == nullptr) return false;
  const bool ok = std::fscanf(f, "%zu %zu %zu %zu %zu", &facts.files, &facts.dirs, &facts.txt, &facts.txtWithText,
                              &facts.suspects) == 5;
  std::fclose(f);
  return ok;
}

void SaveFacts(const std::string& file, const TreeFacts& facts) {
  FILE* f = std::fopen(file.c_str(), "w");
  if (f == nullptr) return;
  std::fprintf(f, "%zu %zu %zu %zu %zu\n", facts.files, facts.dirs, facts.txt, facts.txtWithText, facts.suspects);
  std::fclose(f);
}

bool DropPageCache() {
  ::sync();
  FILE* f = std::fopen("/proc/sys/vm/drop_caches", "w");
  if (f == nullptr) return false;
  const bool ok = std::fputs("3\n", f) >= 0;
  return std::fclose(f) == 0 && ok;
}

bool Installed(const char* tool) {
  const std::string probe = std::string("command -v ") + tool + " > /dev/null 2>&1";
  return std::system(probe.c_str()) == 0;
}

struct Contender {
  std::string name;
  std::function<void()> body;
  std::vector<double> warm, cold, cpu;
};

}  // namespace

int main(int argc, char** argv) {
  const size_t fileCount = static_cast<size_t>(bench::IntFlag(argc, argv, "--files", 500000));
  const int runs = static_cast<int>(bench::IntFlag(argc, argv, "--runs", 5));
  const int coldRuns = static_cast<int>(bench::IntFlag(argc, argv, "--cold-runs", 3));
  const bool keep = bench::IntFlag(argc, argv, "--keep", 0) != 0;  // keep the tree for the next run
  std::string data = bench::DataRoot(argc, argv, "kevu-bench-walk");
  if (keep) data = data.substr(0, data.rfind('.')) + "-" + std::to_string(fileCount) + "/";
  const std::string root = data + "tree/";
  const std::string factsFile = data + "tree.facts";
  ::mkdir(data.c_str(), 0755);
  bench::PrintMachine("bench_walk", data);

  LoadKeywordLists();
  TreeFacts facts;
  if (keep && LoadFacts(factsFile, facts)) {
    std::printf("tree: kept from an earlier run\n");
  } else {
    bench::RemoveTree(root);
    double generate = bench::Seconds([&] { facts = MakeTree(root, fileCount); });
    std::printf("tree: generated in %.1f s (seed %llu)\n", generate, static_cast<unsigned long long>(bench::kSeed));
    if (keep) SaveFacts(factsFile, facts);
  }
  std::printf("tree: %zu files (%zu .txt, %zu of them with text), %zu folders, %zu suspects by the plain per-entry scan\n",
              facts.files, facts.txt, facts.txtWithText, facts.dirs, facts.suspects);

  ControlState state;
  ScanContext ctx = PlatformScanContext(state);
  ctx.ScanRoot = root;
  const NativeString nativeRoot = root;
  const bool seeks = ctx.seekPenalty.DriveIncursSeekPenalty(nativeRoot);
  std::printf("drive: %s a seek penalty (queue/rotational), so a scan here uses %zu reader(s); elsewhere %zu\n",
              seeks ? "reports" : "does not report", ReadAheadReadersFor(ctx.seekPenalty, nativeRoot), kReadersWithoutSeekPenalty);

  int engineRows = 0;
  ReadAheadStats stats, peak;
  auto engine = [&](size_t readers) {
    state.DeleteAllRows();
    ctx.HealthScore = 100;
    WalkScanRoot(ctx, nativeRoot, readers, &stats);
    engineRows = state.RowCount();
    peak.peakBytes = std::max(peak.peakBytes, stats.peakBytes);
    peak.peakEntries = std::max(peak.peakEntries, stats.peakEntries);
  };
  size_t bareFiles = 0;
  const std::string findCommand = "find '" + root + "' -type f -printf '%s\\n' > /dev/null";
  const std::string fdCommand = "fdfind -u -t f . '" + root + "' > /dev/null";
  // The size filter makes fd read every file's size, as the engine must (every file is below 1 TiB).
  const std::string fdSizeCommand = "fdfind -u -t f -S -1t . '" + root + "' > /dev/null";
  int toolStatus = 0;

  std::vector<Contender> all;
  all.push_back({"engine, read-ahead (" + std::to_string(kReadersWithoutSeekPenalty) + " readers)",
                 [&] { engine(kReadersWithoutSeekPenalty); }, {}, {}, {}});
  all.push_back({"engine, one thread (as before)", [&] { engine(0); }, {}, {}, {}});
  all.push_back({"bare walk (one thread, do-nothing visitor)", [&] {
                   bareFiles = 0;
                   WalkDirectory(root, nativeRoot, [&](const FoundFile&) { ++bareFiles; return true; }, Recurse::Yes,
                                 PlatformDirLister());
                 }, {}, {}, {}});
  all.push_back({"find -type f -printf '%s\\n'", [&] { toolStatus |= std::system(findCommand.c_str()); }, {}, {}, {}});
  const bool haveFd = Installed("fdfind");
  if (haveFd) {
    all.push_back({"fdfind -u -t f .", [&] { toolStatus |= std::system(fdCommand.c_str()); }, {}, {}, {}});
    all.push_back({"fdfind -u -t f -S -1t . (reads sizes)", [&] { toolStatus |= std::system(fdSizeCommand.c_str()); },
                   {}, {}, {}});
  }
  // The pool sizes a drive without a seek penalty could get, cold: the figures that chose it.
  std::vector<size_t> poolSizes = {1, 2, 4, 8, 16, 24, 32, 48};
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::string(argv[i]) != "--pools") continue;
    poolSizes.clear();
    for (const char* p = argv[i + 1]; *p != '\0';) {
      char* end = nullptr;
      poolSizes.push_back(std::strtoul(p, &end, 10));
      p = *end == ',' ? end + 1 : end;
      if (end == p && *p != '\0') break;
    }
  }
  const bool coldOthers = bench::IntFlag(argc, argv, "--cold-others", 1) != 0;  // 0: cold runs of the pools only
  std::vector<Contender> pools;
  for (size_t n : poolSizes) {
    if (n == kReadersWithoutSeekPenalty) continue;
    pools.push_back({"engine, read-ahead (" + std::to_string(n) + " reader" + (n > 1 ? "s)" : ")"),
                     [&, n] { engine(n); }, {}, {}, {}});
  }

  auto timed = [](Contender& c, std::vector<double>& wall) {
    double c0 = bench::CpuSeconds();
    wall.push_back(bench::Seconds(c.body));
    c.cpu.push_back(bench::CpuSeconds() - c0);
  };
  // Warm: the caches filled once, untimed; rounds interleave the contenders.
  for (Contender& c : all) c.body();
  for (int r = 0; r < runs; ++r)
    for (Contender& c : all) timed(c, c.warm);

  const bool cold = coldRuns > 0 && DropPageCache();
  if (!cold && coldRuns > 0) {
    std::printf("cold runs: skipped (dropping the page cache needs root: sync; echo 3 > /proc/sys/vm/drop_caches)\n");
  } else {
    std::printf("cold runs: page cache dropped before each (sync; echo 3 > /proc/sys/vm/drop_caches)\n");
    for (int r = 0; r < coldRuns; ++r) {
      for (std::vector<Contender>* group : {&all, &pools}) {
        if (group == &all && !coldOthers) continue;
        for (Contender& c : *group) {
          DropPageCache();
          timed(c, c.cold);
        }
      }
    }
  }

  std::printf("%-46s %10s %10s   runs (warm | cold)\n", "", "warm s", "cold s");
  for (std::vector<Contender>* group : {&all, &pools}) {
    for (Contender& c : *group) {
      if (c.warm.empty() && c.cold.empty()) continue;
      std::printf("%-46s %10s %10s   [%s | %s]\n", c.name.c_str(),
                  c.warm.empty() ? "-" : bench::Join({bench::Median(c.warm)}, "%.3f").c_str(),
                  c.cold.empty() ? "-" : bench::Join({bench::Median(c.cold)}, "%.3f").c_str(),
                  bench::Join(c.warm, "%.2f").c_str(), bench::Join(c.cold, "%.2f").c_str());
    }
  }
  if (cold) {
    size_t best = kReadersWithoutSeekPenalty;
    double bestTime = all[0].cold.empty() ? 1e30 : bench::Median(all[0].cold);
    for (size_t i = 0; i < pools.size(); ++i) {
      const double t = bench::Median(pools[i].cold);
      if (t < bestTime) bestTime = t, best = static_cast<size_t>(std::stoul(pools[i].name.substr(pools[i].name.find('(') + 1)));
    }
    std::printf("pool size: fastest cold with %zu reader(s) (%.3f s); the program uses %zu\n", best, bestTime,
                kReadersWithoutSeekPenalty);
  }
  std::printf("engine: %d rows (plain per-entry scan: %zu), bare walk: %zu files (made: %zu), tools exit %d\n", engineRows,
              facts.suspects, bareFiles, facts.files, toolStatus);
  std::printf("last read-ahead walk: %zu listings by the readers, %zu by the walk, %zu content answers by the readers\n",
              stats.listedAhead, stats.listedByWalk, stats.answeredAhead);
  std::printf("read-ahead buffers: peak %zu entries, %.2f MiB (limits %zu entries, %.2f MiB)\n", peak.peakEntries,
              peak.peakBytes / 1048576.0, ReadAheadLimits().entries, ReadAheadLimits().bytes / 1048576.0);
  std::printf("CPU time (medians, warm): read-ahead %.3f s, one thread %.3f s\n", bench::Median(all[0].cpu),
              bench::Median(all[1].cpu));
  bench::PrintVerdict("warm: read-ahead / one thread", bench::Median(all[0].warm) / bench::Median(all[1].warm), false,
                      1.05);
  if (cold && coldOthers) {
    bench::PrintVerdict("cold: one thread / read-ahead (speed-up)",
                        bench::Median(all[1].cold) / bench::Median(all[0].cold), true, 2.0);
    if (haveFd) {
      bench::PrintVerdict("cold: read-ahead / fdfind", bench::Median(all[0].cold) / bench::Median(all[4].cold), false,
                          1.0);
      std::printf("cold: read-ahead / fdfind reading sizes: ratio %.3f (for information)\n",
                  bench::Median(all[0].cold) / bench::Median(all[5].cold));
    }
  }
  if (!haveFd) std::printf("fdfind: not installed (Debian package fd-find), left out\n");

  if (!keep) {
    double clean = bench::Seconds([&] { bench::RemoveTree(data); });
    std::printf("cleaned up in %.1f s\n", clean);
  }
  return 0;
}

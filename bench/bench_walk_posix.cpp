// The engine's full scan of a generated tree (walk, name conversion, classifier, rows and
// progress into a ControlState) against a bare walk over the same listing code and against
// find(1) on the same tree.
//   bench_walk [--data DIR] [--files N] [--runs N]
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <cstdio>
#include <string>
#include <vector>

#include "app/control_state.h"
#include "bench_common.h"
#include "scan/classifier.h"
#include "scan/dir_listing.h"
#include "scan/file_reader.h"
#include "scan/keyword_matcher.h"
#include "support/plain_scan.h"
#include "scan/keywords.h"
#include "scan/scan_context.h"
#include "scan/scan_worker.h"
#include "scan/walker.h"
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


// Four levels: root / 4 top / 5 middle / 5 leaf folders; the leaves hold most files.
TreeFacts MakeTree(const std::string& root, size_t fileCount) {
  TreeFacts facts;
  bench::Rng rng(bench::kSeed);
  std::vector<std::string> keywordsUtf8;
  for (const std::string& k : NameKeywords) keywordsUtf8.push_back(GbkToUtf8(k));
  std::vector<std::string> singles = bench::SingleContentEntries();
  const size_t leaves = 4 * 5 * 5;
  const size_t perInner = 10;
  const size_t inner = 1 + 4 + 4 * 5;
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
  auto mkdir = [&](const std::string& dir) {
    ::mkdir(dir.c_str(), 0755);
    ++facts.dirs;
  };

  mkdir(root);
  fill(root, perInner);
  for (int a = 0; a < 4; ++a) {
    std::string top = root + (a % 2 ? "用户" : "Users") + std::to_string(a) + "/";
    mkdir(top);
    fill(top, perInner);
    for (int b = 0; b < 5; ++b) {
      std::string mid = top + bench::ChineseWords()[(a * 5 + b) % bench::ChineseWords().size()] + " " +
                        std::to_string(b) + "/";
      mkdir(mid);
      fill(mid, perInner);
      for (int c = 0; c < 5; ++c) {
        std::string leaf = mid + bench::LatinWords()[(b * 5 + c) % bench::LatinWords().size()] + "_" +
                           std::to_string(c) + "/";
        mkdir(leaf);
        fill(leaf, perLeaf);
      }
    }
  }
  return facts;
}

}  // namespace

int main(int argc, char** argv) {
  const size_t fileCount = static_cast<size_t>(bench::IntFlag(argc, argv, "--files", 200000));
  const int runs = static_cast<int>(bench::IntFlag(argc, argv, "--runs", 5));
  const std::string data = bench::DataRoot(argc, argv, "kevu-bench-walk");
  const std::string root = data + "tree/";
  ::mkdir(data.c_str(), 0755);
  bench::PrintMachine("bench_walk", data);

  LoadKeywordLists();
  TreeFacts facts;
  double generate = bench::Seconds([&] { facts = MakeTree(root, fileCount); });
  std::printf("tree: %zu files (%zu .txt, %zu of them with text), %zu folders, %zu suspects by the plain per-entry scan; "
              "generated in %.1f s (seed %llu)\n",
              facts.files, facts.txt, facts.txtWithText, facts.dirs, facts.suspects, generate,
              static_cast<unsigned long long>(bench::kSeed));

  ControlState state;
  ScanContext ctx = PlatformScanContext(state);
  ctx.ScanRoot = root;
  const NativeString nativeRoot = root;

  int engineRows = 0;
  std::string endText;
  auto engine = [&] {
    state.DeleteAllRows();
    ctx.HealthScore = 100;
    ScanWorker(ctx);
    engineRows = state.RowCount();
    endText = state.Caption(LabelId::Status);
  };
  size_t bareFiles = 0;
  auto bare = [&] {
    bareFiles = 0;
    WalkDirectory(root, nativeRoot, [&](const FoundFile&) { ++bareFiles; return true; }, true, PlatformDirLister());
  };
  const std::string findCommand = "find '" + root + "' -type f -printf '%s\\n' > /dev/null";
  int findStatus = 0;
  auto find = [&] { findStatus = std::system(findCommand.c_str()); };

  // Warm the caches once, untimed.
  engine();
  bare();
  find();

  std::vector<double> tEngine, tBare, tFind, cEngine, cBare, cFind;
  auto timed = [](const std::function<void()>& body, std::vector<double>& wall, std::vector<double>& cpu) {
    double c0 = bench::CpuSeconds();
    wall.push_back(bench::Seconds(body));
    cpu.push_back(bench::CpuSeconds() - c0);
  };
  for (int r = 0; r < runs; ++r) {
    timed(engine, tEngine, cEngine);
    timed(bare, tBare, cBare);
    timed(find, tFind, cFind);
  }
  double mEngine = bench::Median(tEngine), mBare = bench::Median(tBare), mFind = bench::Median(tFind);

  std::printf("engine full scan: median %.3f s of %d runs [%s]; %d rows, score %d, end text %s\n", mEngine, runs,
              bench::Join(tEngine, "%.3f").c_str(), engineRows, ctx.HealthScore.load(),
              endText == kEndOfScanText.Gbk() ? "written" : "MISSING");
  std::printf("bare walk (same listing, do-nothing visitor): median %.3f s [%s]; %zu files\n", mBare,
              bench::Join(tBare, "%.3f").c_str(), bareFiles);
  std::printf("find -type f -printf '%%s\\n': median %.3f s [%s]; exit %d\n", mFind, bench::Join(tFind, "%.3f").c_str(),
              findStatus);
  std::printf("engine throughput: %.0f files/s\n", facts.files / mEngine);
  if (bareFiles != facts.files) std::printf("NOTE: bare walk saw %zu files, %zu were made\n", bareFiles, facts.files);
  if (static_cast<size_t>(engineRows) != facts.suspects) {
    std::printf("NOTE: engine listed %d rows, the plain per-entry scan expects %zu\n", engineRows, facts.suspects);
  }
  std::printf("CPU time (user+system, medians; less disturbed by other load): engine %.3f s, bare walk %.3f s, find %.3f s\n",
              bench::Median(cEngine), bench::Median(cBare), bench::Median(cFind));
  std::printf("engine / bare walk in CPU time: %.3f; engine / find in CPU time: %.3f (for information)\n",
              bench::Median(cEngine) / bench::Median(cBare), bench::Median(cEngine) / bench::Median(cFind));
  bench::PrintVerdict("engine / bare walk", mEngine / mBare, false, 1.15);
  bench::PrintVerdict("engine / find", mEngine / mFind, false, 1.0);

  double clean = bench::Seconds([&] { bench::RemoveTree(data); });
  std::printf("cleaned up in %.1f s\n", clean);
  return 0;
}

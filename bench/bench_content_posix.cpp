// The ".txt" content rule (MatchContentKeywordsInFile over the platform reader) on a generated
// GBK text with four distinct keyword entries (so the answer is false and the whole file is
// read), against the plain per-entry scan on the same bytes and against grep -F.
// Peak memory is taken from child processes that do nothing but the rule.
//   bench_content [--data DIR] [--size-mib N] [--ref-prefix-mib N] [--runs N] [--sparse-gib N]
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench_common.h"
#include "platform/file_reader.h"
#include "scan/keyword_matcher.h"
#include "scan/keywords.h"
#include "support/plain_scan.h"
#include "text/codepage.h"
#include "text/gbk_text.h"

namespace {

constexpr double kMiB = 1024.0 * 1024.0;

// Common characters; those that occur in a content entry are dropped, so the filler can
// never form an entry by itself.
const char kFillerUtf8[] =
    "的一是了我不人在他有这个上们来到时大地为子中你说生国年着就那和要她出也得里后自以会家可下而过天去能对小多然于心学么之都好看起发当没成只如事把还用第样道想作种开美总从无情己面最女但现前些所同日手又行意动方期它头经长儿回位分爱老因很给名法间斯知世什两次使身者被高已亲其进此话常与活正感见明问力理尔点文几定本公特做外孩相西果走将月十实向声车全信重三机工物气每并别真打太新比才便夫再书部水像眼等体却加电主界门利海受听表德少克代员许先口由死安写性马光白或住难望教命花结乐色更拉东神记处让母父应直字场平报友关放至张认接告入笑内英军候民岁往何度山觉路带万男边风解叫任金快原吃妈变通师立象数四失满战远格士音轻目条呢病始达深完今提求清王化空业思切怎非找片罗钱吗语元喜曾离飞科言干流欢约各即指合反题必该论交终林请医晚制球决传画保读运及则房早院量苦火布品近坐产答星精视五连司巴";

std::vector<std::string> FillerChars() {
  std::vector<std::string> out;
  for (const std::string& c : bench::Utf8Chars(kFillerUtf8)) {
    std::string g = Utf8ToGbk(c);
    if (g.size() != 2) continue;
    bool inEntry = false;
    for (const std::string& e : ContentKeywords) {
      for (size_t i = 0; i + 1 < e.size() && !inEntry; i += IsLeadByte(e[i]) ? 2 : 1) {
        inEntry = e.compare(i, 2, g) == 0;
      }
    }
    if (!inEntry) out.push_back(g);
  }
  return out;
}


unsigned CountEntries(const std::string& text) {
  unsigned n = 0;
  for (const std::string& e : ContentKeywords) n += PlainScanContains(text, e) ? 1 : 0;
  return n;
}

// Lines of filler with the four placed entries among them, GBK, no NUL.
std::string MakeChunk(size_t bytes, const std::vector<std::string>& placed) {
  bench::Rng rng(bench::kSeed);
  std::vector<std::string> filler = FillerChars();
  const std::string comma = Utf8ToGbk("，"), stop = Utf8ToGbk("。");
  std::string chunk;
  chunk.reserve(bytes + 256);
  size_t nextPlace = 0;
  while (chunk.size() < bytes) {
    size_t chars = 20 + rng.Below(60);
    for (size_t i = 0; i < chars; ++i) {
      chunk += filler[rng.Below(filler.size())];
      if (rng.Percent(8)) chunk += comma;
    }
    // Each entry once near the start and once more further on, always between filler.
    if (nextPlace < placed.size() * 2 && chunk.size() > nextPlace * (bytes / (placed.size() * 2))) {
      chunk += filler[0];
      chunk += placed[nextPlace % placed.size()];
      chunk += filler[1];
      ++nextPlace;
    }
    chunk += stop;
    chunk += "\r\n";
  }
  chunk.resize(bytes);
  if (IsLeadByte(chunk.back())) chunk.back() = '\n';
  return chunk;
}

bool WriteRepeated(const std::string& path, const std::string& chunk, uint64_t size, uint64_t sparseTo) {
  int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
  if (fd < 0) return false;
  uint64_t done = 0;
  bool ok = true;
  while (ok && done < size) {
    size_t n = static_cast<size_t>(std::min<uint64_t>(chunk.size(), size - done));
    ok = ::write(fd, chunk.data(), n) == static_cast<ssize_t>(n);
    done += n;
  }
  if (ok && sparseTo > size) ok = ::ftruncate(fd, static_cast<off_t>(sparseTo)) == 0;
  ::close(fd);
  return ok;
}

struct ChildResult {
  bool ran = false;
  std::string answer;
  long maxRssKiB = 0;   // getrusage of the child
  long hwmBefore = 0;   // VmHWM after loading the lists, before the rule
  long hwmAfter = 0;
  double seconds = 0;
};

// Runs this program as a child doing only the content rule on path.
ChildResult RunRuleInChild(const std::string& path) {
  ChildResult r;
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return r;
  auto t0 = std::chrono::steady_clock::now();
  pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(pipeFds[1], 1);
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    ::execl("/proc/self/exe", "bench_content", "--child-rule", path.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(pipeFds[1]);
  std::string out;
  char buf[256];
  ssize_t n;
  while ((n = ::read(pipeFds[0], buf, sizeof buf)) > 0) out.append(buf, static_cast<size_t>(n));
  ::close(pipeFds[0]);
  int status = 0;
  struct rusage usage{};
  if (pid < 0 || ::wait4(pid, &status, 0, &usage) != pid) return r;
  r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  char answer[16] = {};
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0 &&
      std::sscanf(out.c_str(), "%15s %ld %ld", answer, &r.hwmBefore, &r.hwmAfter) == 3) {
    r.ran = true;
    r.answer = answer;
    r.maxRssKiB = usage.ru_maxrss;
  }
  return r;
}

int ChildMain(const char* path) {
  LoadKeywordLists();
  long before = bench::StatusKiB("VmHWM");
  bool hit = MatchContentKeywordsInFile(NativeString(path), PlatformFileReader());
  long after = bench::StatusKiB("VmHWM");
  std::printf("%s %ld %ld\n", hit ? "true" : "false", before, after);
  return 0;
}

void PrintChild(const char* what, const ChildResult& r) {
  if (!r.ran) {
    std::printf("%s: child did not run\n", what);
    return;
  }
  std::printf("%s: answer %s in %.3f s; child peak (VmHWM) %.1f MiB, %.1f MiB before the rule (+%.2f)\n", what,
              r.answer.c_str(), r.seconds, r.hwmAfter / 1024.0, r.hwmBefore / 1024.0, (r.hwmAfter - r.hwmBefore) / 1024.0);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--child-rule") == 0) return ChildMain(argv[2]);

  const uint64_t sizeMiB = static_cast<uint64_t>(bench::IntFlag(argc, argv, "--size-mib", 1024));
  const uint64_t prefixMiB = std::min<uint64_t>(sizeMiB, bench::IntFlag(argc, argv, "--ref-prefix-mib", 64));
  const uint64_t sparseGiB = static_cast<uint64_t>(bench::IntFlag(argc, argv, "--sparse-gib", 8));
  const int runs = static_cast<int>(bench::IntFlag(argc, argv, "--runs", 3));
  const std::string data = bench::DataRoot(argc, argv, "kevu-bench-content");
  ::mkdir(data.c_str(), 0755);
  bench::PrintMachine("bench_content", data);

  LoadKeywordLists();
  std::vector<std::string> singles = bench::SingleContentEntries(false);
  std::vector<std::string> placed(singles.begin(), singles.begin() + std::min<size_t>(4, singles.size()));
  const uint64_t size = sizeMiB << 20;
  const std::string text = data + "text.txt", sparse = data + "sparse.txt", empty = data + "empty.txt";
  const std::string keywordFile = data + "keywords.gbk";

  std::string chunk;
  double tGen = bench::Seconds([&] {
    chunk = MakeChunk(std::min<uint64_t>(size, 8u << 20), placed);
    WriteRepeated(text, chunk, size, 0);
    WriteRepeated(sparse, chunk.substr(0, std::min<size_t>(chunk.size(), 1u << 20)), std::min<uint64_t>(size, 1u << 20),
                  sparseGiB << 30);
    WriteRepeated(empty, "", 0, 0);
    std::string list;
    for (const std::string& e : ContentKeywords) list += e + "\n";
    WriteRepeated(keywordFile, list, list.size(), 0);
  });
  unsigned chunkEntries = CountEntries(chunk);
  std::printf("text: %llu MiB of GBK lines (an %.0f MiB block repeated), %u distinct entries placed, %u found by the plain per-entry scan "
              "in the block; generated in %.1f s (seed %llu)\n",
              static_cast<unsigned long long>(sizeMiB), chunk.size() / kMiB, static_cast<unsigned>(placed.size()),
              chunkEntries, tGen, static_cast<unsigned long long>(bench::kSeed));

  // The rule as the classifier runs it. First run warms the page cache.
  bool ruleAnswer = MatchContentKeywordsInFile(text, PlatformFileReader());
  std::vector<double> tRule;
  for (int r = 0; r < runs; ++r) {
    tRule.push_back(bench::Seconds([&] { ruleAnswer = MatchContentKeywordsInFile(text, PlatformFileReader()); }));
  }

  // The definition: read the prefix in one piece, then a plain scan per entry.
  const size_t prefix = static_cast<size_t>(prefixMiB << 20);
  bool refAnswer = false;
  std::vector<double> tRef;
  for (int r = 0; r < runs; ++r) {
    tRef.push_back(bench::Seconds([&] {
      std::string whole(prefix, '\0');
      int fd = ::open(text.c_str(), O_RDONLY);
      size_t got = 0;
      while (fd >= 0 && got < prefix) {
        ssize_t n = ::read(fd, whole.data() + got, prefix - got);
        if (n <= 0) break;
        got += static_cast<size_t>(n);
      }
      if (fd >= 0) ::close(fd);
      whole.resize(got);
      refAnswer = PlainScanCountReaches(std::string_view(whole.c_str()), ContentKeywords, 5);
    }));
  }

  const std::string grepCommand = "LC_ALL=C grep -F -c -f '" + keywordFile + "' '" + text + "'";
  std::string grepCount;
  std::vector<double> tGrep;
  for (int r = 0; r < runs; ++r) {
    tGrep.push_back(bench::Seconds([&] {
      grepCount.clear();
      FILE* p = ::popen(grepCommand.c_str(), "r");
      char buf[64];
      while (p && std::fgets(buf, sizeof buf, p)) grepCount += buf;
      if (p) ::pclose(p);
    }));
  }
  while (!grepCount.empty() && grepCount.back() == '\n') grepCount.pop_back();

  double mRule = bench::Median(tRule), mRefPrefix = bench::Median(tRef), mGrep = bench::Median(tGrep);
  double scale = static_cast<double>(size) / prefix;
  double mRef = mRefPrefix * scale;
  double mb = size / kMiB;
  std::printf("content rule (streaming, platform reader): median %.3f s of %d [%s] = %.0f MiB/s; answer %s\n", mRule, runs,
              bench::Join(tRule, "%.3f").c_str(), mb / mRule, ruleAnswer ? "true" : "false");
  std::printf("plain per-entry scan (read in one piece + one plain pass per entry) on the first %llu MiB: median %.3f s [%s]; "
              "scaled x%.0f to %.0f MiB: %.2f s = %.1f MiB/s; answer %s\n",
              static_cast<unsigned long long>(prefixMiB), mRefPrefix, bench::Join(tRef, "%.3f").c_str(), scale, mb, mRef,
              mb / mRef, refAnswer ? "true" : "false");
  std::printf("LC_ALL=C grep -F -c -f keywords.gbk (same %zu entries, GBK): median %.3f s [%s] = %.0f MiB/s; %s lines\n",
              ContentKeywords.size(), mGrep, bench::Join(tGrep, "%.3f").c_str(), mb / mGrep, grepCount.c_str());
  bench::PrintVerdict("content rule vs plain per-entry scan (throughput)", mRef / mRule, true, 10.0);
  bench::PrintVerdict("content rule vs grep -F (throughput)", mGrep / mRule, true, 0.5);

  ChildResult rEmpty = RunRuleInChild(empty);
  ChildResult rText = RunRuleInChild(text);
  ChildResult rSparse = RunRuleInChild(sparse);
  PrintChild("child, empty file (baseline)", rEmpty);
  char what[160];
  std::snprintf(what, sizeof what, "child, %llu MiB text read to its end", static_cast<unsigned long long>(sizeMiB));
  PrintChild(what, rText);
  std::snprintf(what, sizeof what,
                "child, %llu GiB sparse file (1 MiB text, then a hole of NUL bytes: the rule stops at the first NUL)",
                static_cast<unsigned long long>(sparseGiB));
  PrintChild(what, rSparse);
  std::printf("(getrusage ru_maxrss of the children: %.1f / %.1f / %.1f MiB; Linux counts in it the pages of this "
              "process that fork copied before exec, so the VmHWM of the new image is the figure)\n",
              rEmpty.maxRssKiB / 1024.0, rText.maxRssKiB / 1024.0, rSparse.maxRssKiB / 1024.0);
  bench::PrintAbsolute("peak memory of a process doing the rule on the text", rText.hwmAfter / 1024.0, "MiB", 16);
  bench::PrintAbsolute("peak memory of a process doing the rule on the sparse file", rSparse.hwmAfter / 1024.0, "MiB", 16);

  bench::RemoveTree(data);
  return 0;
}

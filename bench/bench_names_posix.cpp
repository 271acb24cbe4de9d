// MatchNameKeywords over generated file names against the plain per-entry scan
// (PlainScanMatchAny over NameKeywords, entry by entry, position by position).
// The plain per-entry scan takes tens of microseconds a name: it runs on the first --ref-names names and
// is scaled to the whole set (the output says so).
//   bench_names [--names N] [--ref-names N] [--runs N]
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_common.h"
#include "scan/keyword_matcher.h"
#include "scan/keywords.h"
#include "support/plain_scan.h"
#include "text/codepage.h"

int main(int argc, char** argv) {
  const size_t count = static_cast<size_t>(bench::IntFlag(argc, argv, "--names", 1000000));
  const int runs = static_cast<int>(bench::IntFlag(argc, argv, "--runs", 5));
  const size_t refCount = std::min<size_t>(count, static_cast<size_t>(bench::IntFlag(argc, argv, "--ref-names", 100000)));
  bench::PrintMachine("bench_names", "");

  LoadKeywordLists();
  std::vector<std::string> keywordsUtf8;
  for (const std::string& k : NameKeywords) keywordsUtf8.push_back(GbkToUtf8(k));

  bench::Rng rng(bench::kSeed);
  std::vector<std::string> names;
  names.reserve(count);
  size_t bytes = 0;
  double tGen = bench::Seconds([&] {
    for (size_t i = 0; i < count; ++i) {
      const std::string& ext = bench::Extensions()[rng.Below(bench::Extensions().size())];
      names.push_back(Utf8ToGbk(bench::MakeName(rng, keywordsUtf8, 5, i, ext)));
      bytes += names.back().size();
    }
  });
  std::printf("names: %zu GBK names, %.1f bytes on average, 5%% given a keyword; generated in %.2f s (seed %llu)\n",
              count, static_cast<double>(bytes) / count, tGen, static_cast<unsigned long long>(bench::kSeed));

  size_t hits = 0, refHits = 0;
  std::vector<double> tMatch, tRef;
  for (const std::string& n : names) hits += MatchNameKeywords(n) ? 1 : 0;  // warm-up
  for (int r = 0; r < runs; ++r) {
    tMatch.push_back(bench::Seconds([&] {
      hits = 0;
      for (const std::string& n : names) hits += MatchNameKeywords(n) ? 1 : 0;
    }));
  }
  const int refRuns = runs < 3 ? runs : 3;
  size_t subsetHits = 0;
  for (size_t i = 0; i < refCount; ++i) subsetHits += MatchNameKeywords(names[i]) ? 1 : 0;
  for (int r = 0; r < refRuns; ++r) {
    tRef.push_back(bench::Seconds([&] {
      refHits = 0;
      for (size_t i = 0; i < refCount; ++i) refHits += PlainScanMatchAny(names[i], NameKeywords) ? 1 : 0;
    }));
  }
  const double scale = static_cast<double>(count) / refCount;
  double mMatch = bench::Median(tMatch), mRefSubset = bench::Median(tRef), mRef = mRefSubset * scale;
  std::printf("MatchNameKeywords: median %.3f s of %d [%s] = %.0f ns/name; %zu hits\n", mMatch, runs,
              bench::Join(tMatch, "%.3f").c_str(), mMatch * 1e9 / count, hits);
  std::printf("plain per-entry scan (%zu entries, plain scan each) on the first %zu names: median %.3f s of %d [%s]; scaled x%.0f to "
              "%zu names: %.2f s = %.0f ns/name; %zu hits (the matcher: %zu on the same names)\n",
              NameKeywords.size(), refCount, mRefSubset, refRuns, bench::Join(tRef, "%.3f").c_str(), scale, count, mRef,
              mRef * 1e9 / count, refHits, subsetHits);
  if (subsetHits != refHits) std::printf("NOTE: the answers differ\n");
  bench::PrintVerdict("MatchNameKeywords vs plain per-entry scan (speed-up)", mRef / mMatch, true, 5.0);
  return 0;
}

// One million suspect rows added by a worker thread (AddSuspectRow + RevealLastRow into a
// ControlState) while another thread reads it the way the window renders, about every 1 ms.
//   bench_rows [--rows N] [--runs N]
#include <time.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "app/platform_context.h"
#include "bench_common.h"
#include "scan/classifier.h"
#include "scan/scan_context.h"
#include "scan/scan_worker.h"
#include "state/control_state.h"
#include "text/codepage.h"
#include "text/gbk_text.h"

namespace {

struct RowTexts {
  std::vector<std::string> names, dirs, categories;
  std::vector<uint64_t> sizes;
};

RowTexts MakeTexts(size_t pool) {
  RowTexts t;
  bench::Rng rng(bench::kSeed);
  std::vector<const std::string*> cats{&kArticleCategory.Gbk()};
  for (const CategoryRule& rule : kCategoryRules) cats.push_back(&rule.text.Gbk());
  for (size_t i = 0; i < pool; ++i) {
    const std::string& ext = bench::Extensions()[rng.Below(bench::Extensions().size())];
    t.names.push_back(Utf8ToGbk(bench::MakeName(rng, {}, 0, i, ext)));
    t.dirs.push_back(Utf8ToGbk("D:\\" + bench::ChineseWords()[rng.Below(bench::ChineseWords().size())] + "\\" +
                               bench::LatinWords()[rng.Below(bench::LatinWords().size())] + "\\"));
    t.categories.push_back(*cats[rng.Below(cats.size())]);
    t.sizes.push_back(rng.Below(1u << 30));
  }
  return t;
}

struct RunResult {
  double seconds = 0;
  double workerCpu = 0;  // CPU time of the worker thread alone
  size_t reads = 0;
  int rows = 0, selection = 0;
  long rssDeltaKiB = 0;
};

RunResult RunOnce(const RowTexts& t, size_t rows) {
  RunResult r;
  long rssBefore = bench::StatusKiB("VmRSS");
  auto* state = new ControlState;
  ScanContext ctx = PlatformScanContext(*state);
  std::atomic<bool> done{false};
  std::atomic<size_t> reads{0};

  // The window: row count, selection, and the cells of the page around the row to reveal.
  std::thread reader([&] {
    while (!done.load(std::memory_order_acquire)) {
      int n = state->RowCount();
      int sel = state->Selection();
      int bottom = state->PendingRevealRow();
      if (bottom < 0) bottom = n - 1;
      for (int row = bottom - 29; row <= bottom; ++row) {
        if (row < 0) continue;
        for (int col = 0; col < 4; ++col) (void)state->CellText(row, static_cast<Column>(col));
      }
      (void)state->Versions();
      (void)sel;
      reads.fetch_add(1, std::memory_order_relaxed);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });

  const size_t pool = t.names.size();
  r.seconds = bench::Seconds([&] {
    std::thread worker([&] {
      struct timespec c0{}, c1{};
      clock_gettime(CLOCK_THREAD_CPUTIME_ID, &c0);
      for (size_t i = 0; i < rows; ++i) {
        size_t k = i % pool;
        const ScanRun::Hold gate = ctx.scanRun.HoldGate();  // as ClassifyFile holds it
        AddSuspectRow(ctx, gate, t.names[k], t.dirs[k], t.sizes[k], t.categories[k]);
        RevealLastRow(ctx, gate);
      }
      clock_gettime(CLOCK_THREAD_CPUTIME_ID, &c1);
      r.workerCpu = (c1.tv_sec - c0.tv_sec) + (c1.tv_nsec - c0.tv_nsec) * 1e-9;
    });
    worker.join();
  });
  done = true;
  reader.join();
  r.reads = reads.load();
  r.rows = state->RowCount();
  r.selection = state->Selection();
  r.rssDeltaKiB = bench::StatusKiB("VmRSS") - rssBefore;
  delete state;
  return r;
}

// The same texts into a plain vector of four strings per row: no lock, no reader.
double PlainRows(const RowTexts& t, size_t rows) {
  std::vector<std::array<std::string, 4>> table;
  return bench::Seconds([&] {
    for (size_t i = 0; i < rows; ++i) {
      size_t k = i % t.names.size();
      table.push_back({t.names[k], t.dirs[k], UIntToText(t.sizes[k]), t.categories[k]});
    }
  });
}

}  // namespace

int main(int argc, char** argv) {
  const size_t rows = static_cast<size_t>(bench::IntFlag(argc, argv, "--rows", 1000000));
  const int runs = static_cast<int>(bench::IntFlag(argc, argv, "--runs", 3));
  bench::PrintMachine("bench_rows", "");
  RowTexts t = MakeTexts(4096);

  std::vector<RunResult> results;
  std::vector<double> tRows, tPlain;
  for (int r = 0; r < runs; ++r) {
    results.push_back(RunOnce(t, rows));
    tRows.push_back(results.back().seconds);
    tPlain.push_back(PlainRows(t, rows));
  }
  const RunResult& first = results.front();  // the first run's RSS is not blurred by reused heap
  double mRows = bench::Median(tRows), mPlain = bench::Median(tPlain);
  size_t reads = 0;
  for (const RunResult& r : results) reads += r.reads;
  std::printf("worker: %zu x (AddSuspectRow + RevealLastRow) with a reader every ~1 ms: median %.3f s of %d [%s]; "
              "%d rows, selection %d, %.0f reads per run\n",
              rows, mRows, runs, bench::Join(tRows, "%.3f").c_str(), first.rows, first.selection,
              static_cast<double>(reads) / runs);
  std::vector<double> cpu;
  for (const RunResult& r : results) cpu.push_back(r.workerCpu);
  std::printf("worker thread CPU time: median %.3f s [%s] (less disturbed by other load)\n", bench::Median(cpu),
              bench::Join(cpu, "%.3f").c_str());
  std::printf("baseline, the same texts into a plain vector (no lock, no reader): median %.3f s [%s]\n", mPlain,
              bench::Join(tPlain, "%.3f").c_str());
  std::printf("memory: RSS delta %.0f bytes/row (first run)\n", first.rssDeltaKiB * 1024.0 / rows);
  std::printf("rows / plain vector: ratio %.2f (for information)\n", mRows / mPlain);
  bench::PrintAbsolute("one million rows", mRows * 1000000.0 / rows, "s", 1.0);
  return 0;
}

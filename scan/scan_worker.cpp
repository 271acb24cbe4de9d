// The scan thread: one walk of ScanRoot, the rows and progress it shows, and its end text.
#include "scan/scan_worker.h"

#include "scan/classifier.h"
#include "scan/keywords.h"
#include "scan/read_ahead.h"
#include "scan/walker.h"
#include "text/gbk_text.h"

namespace {

// A directory text this long or longer is shown as its first and last bytes around "....".
constexpr size_t kProgressCutLength = 40;
constexpr size_t kProgressKeptBytes = 16;

void BuildProgressText(std::string& out, const std::string& dir, const std::string& name) {
  out.clear();
  if (dir.size() < kProgressCutLength) {
    out.append(dir);
  } else {
    out.append(dir, 0, kProgressKeptBytes);
    out.append("....");
    out.append(dir, dir.size() - kProgressKeptBytes, kProgressKeptBytes);
  }
  out.append(name);
}

}  // namespace

bool StartScanWorker(ScanContext& ctx) {
  return ctx.scanRun.Start(
      ctx.threads, [&ctx] { ScanWorker(ctx); },
      [&ctx](const ScanRun::Hold&) { ctx.controls.SetCaption(LabelId::Status, kEndOfScanText.Gbk()); });
}

void ScanWorker(ScanContext& ctx) {
  // ScanRoot stays unchanged while the run is under way: every launcher is refused until then.
  WalkScanRoot(ctx, GbkToNative(ctx.ScanRoot));
}

void WalkScanRoot(ScanContext& ctx, const NativeString& nativeRoot) {
  WalkScanRoot(ctx, nativeRoot, ReadAheadReadersFor(ctx.seekPenalty, nativeRoot));
}

void WalkScanRoot(ScanContext& ctx, const NativeString& nativeRoot, size_t readers, ReadAheadStats* stats) {
  ReadAheadSetup setup;
  setup.readers = readers;
  setup.reader = &ctx.reader;
  setup.wantsContent = ClassifierReadsContent;
  setup.contentAnswer = MatchContentKeywordsInFile;
  setup.stats = stats;
  // The walk, its readers and the .txt reads see the real System32.
  setup.redirection = &ctx.redirection;
  const FsRedirectionOff realFileSystem(ctx.redirection);
  WalkDirectoryReadAhead(
      ctx.ScanRoot, nativeRoot, [&ctx](const FoundFile& file) { return ClassifyFile(ctx, file); }, Recurse::Yes, ctx.lister,
      setup);
}

bool ClassifyFile(ScanContext& ctx, const FoundFile& file) {
  if (ctx.scanRun.IsAbandoned()) return false;
  // The decision may read the file: made before the gate is taken, which is held only while the
  // file's effects are shown, so a clear falls before or after all of them.
  const std::string* category = SuspectCategory(file, ctx.reader);
  const ScanRun::Hold gate = ctx.scanRun.HoldGate();
  if (ctx.scanRun.IsAbandoned()) return false;
  ShowProgress(ctx, gate, file.dir, file.name);
  if (category != nullptr) {
    NativeString nativePath;
    if (file.nameLossy) nativePath = file.nativeDir + file.nativeName;
    AddSuspectRow(ctx, gate, file.name, file.dir, file.size, *category, nativePath);
    ctx.HealthScore.fetch_sub(1);
  }
  RevealLastRow(ctx, gate);
  return true;
}

void ShowProgress(ScanContext& ctx, const ScanRun::Hold& gate, const std::string& dir, const std::string& name) {
  // Called for every file: one buffer per run rather than one allocation per file (and not a
  // thread_local, whose heap the Windows build's runtime never frees when the thread ends).
  std::string& text = gate.ProgressText();
  BuildProgressText(text, dir, name);
  ctx.controls.SetCaption(LabelId::Status, text);
}

void AddSuspectRow(ScanContext& ctx, const ScanRun::Hold&, const std::string& name, const std::string& dir,
                   uint64_t size, const std::string& category, NativeStringView nativePath) {
  const std::string sizeText = UIntToText(size);
  SuspectRow row;
  row.cells[static_cast<int>(Column::Name)] = name;
  row.cells[static_cast<int>(Column::Directory)] = dir;
  row.cells[static_cast<int>(Column::Size)] = sizeText;
  row.cells[static_cast<int>(Column::Category)] = category;
  row.nativePath = nativePath;
  ctx.controls.AddRow(row);
}

void RevealLastRow(ScanContext& ctx, const ScanRun::Hold&) {
  Controls& list = ctx.controls;
  int n = list.RowCount();
  list.SetSelection(n - 1);
  if (n > 0) list.MakeRowVisible(n - 1);
}

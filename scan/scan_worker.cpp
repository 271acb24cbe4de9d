// The scan thread: one walk of ScanRoot, the rows and progress it shows, and its end text.
#include "scan/scan_worker.h"

#include <atomic>

#include "app/controls.h"
#include "app/globals.h"
#include "app/platform.h"
#include "scan/classifier.h"
#include "scan/keywords.h"
#include "scan/read_ahead.h"
#include "scan/walker.h"
#include "text/gbk_text.h"

namespace {

std::mutex gate;
std::atomic<bool> workerRunning{false};
std::atomic<bool> workerAbandoned{false};

constexpr size_t kShortDirectory = 40;
constexpr size_t kDirectoryEnd = 16;

void BuildProgressText(std::string& out, const std::string& dir, const std::string& name) {
  out.clear();
  if (dir.size() < kShortDirectory) {
    out.append(dir);
  } else {
    out.append(dir, 0, kDirectoryEnd);
    out.append("....");
    out.append(dir, dir.size() - kDirectoryEnd, kDirectoryEnd);
  }
  out.append(name);
}

// Clears the running flag and writes the end text in one step under the gate, so no new
// worker can start in between: an end text on the label always belongs to the last walk.
void FinishScanWorker() {
  std::lock_guard<std::mutex> hold(gate);
  workerRunning.store(false);
  if (!workerAbandoned.load()) Services.controls->SetCaption(LabelId::Status, EndOfScanText());
}

}  // namespace

std::mutex& ScanGateLock() { return gate; }

bool StartScanWorker() {
  {
    std::lock_guard<std::mutex> hold(gate);
    if (workerRunning.load() || workerAbandoned.load() || Services.threads == nullptr) return false;
    workerRunning.store(true);
  }
  // Outside the gate: a starter may run the body before it returns.
  if (!Services.threads->StartDetached([] { ScanWorker(); })) {
    workerRunning.store(false);
    return false;
  }
  return true;
}

bool IsScanWorkerRunning() { return workerRunning.load(); }

void ScanWorker() {
  // ScanRoot stays unchanged while the flag is set: every launcher is refused until then.
  const NativeString nativeRoot = GbkToNative(ScanRoot);
  ReadAheadSetup setup;
  setup.readers = ReadAheadReadersFor(nativeRoot);
  setup.reader = Services.reader;
  setup.wantsContent = ClassifierReadsContent;
  setup.contentAnswer = MatchContentKeywordsInFile;
  WalkDirectoryReadAhead(ScanRoot, nativeRoot, ClassifyFile, true, *Services.lister, setup);
  FinishScanWorker();
}

std::string ProgressText(const std::string& dir, const std::string& name) {
  std::string text;
  BuildProgressText(text, dir, name);
  return text;
}

void ShowProgress(const std::string& dir, const std::string& name) {
  // Called for every file: reuse one buffer rather than allocate per file.
  thread_local std::string text;
  BuildProgressText(text, dir, name);
  Services.controls->SetCaption(LabelId::Status, text);
}

void AddSuspectRow(const std::string& name, const std::string& dir, uint64_t size, const std::string& category,
                   const NativeString* nativePath) {
  Controls& list = *Services.controls;
  int row = list.AppendRow(name);
  list.SetCellText(row, 1, dir);
  list.SetCellText(row, 2, UIntToText(size));
  list.SetCellText(row, 3, category);
  if (nativePath != nullptr && !nativePath->empty()) list.SetRowNativePath(row, *nativePath);
}

void RevealLastRow() {
  Controls& list = *Services.controls;
  int n = list.RowCount();
  list.SetSelection(n - 1);
  if (n > 0) list.MakeRowVisible(n - 1);
}

const std::string& EndOfScanText() {
  static const std::string text = Utf8ToGbk("扫描结束!");
  return text;
}

const std::string& PrepareScanText() {
  static const std::string text = Utf8ToGbk("准备扫描");
  return text;
}

const std::string& AllDrivesDoneText() {
  static const std::string text = Utf8ToGbk(" 扫描结束!");
  return text;
}

void AbandonScanWorker() {
  std::lock_guard<std::mutex> hold(gate);
  workerAbandoned.store(true);
}

bool IsScanWorkerAbandoned() { return workerAbandoned.load(); }

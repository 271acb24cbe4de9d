#include "support/fakes.h"

#include <chrono>

#include "scan/scan_worker.h"
#include "text/codepage.h"

FakeThreadStarter::~FakeThreadStarter() { JoinAll(); }

bool FakeThreadStarter::StartDetached(std::function<void()> body) {
  std::lock_guard<std::mutex> hold(lock_);
  if (fail_) return false;
  ++started_;
  if (mode_ == Mode::RealThread)
    threads_.emplace_back(std::move(body));
  else
    held_.push_back(std::move(body));
  return true;
}

bool FakeThreadStarter::RunNext() {
  std::function<void()> body;
  {
    std::lock_guard<std::mutex> hold(lock_);
    if (held_.empty()) return false;
    body = std::move(held_.front());
    held_.pop_front();
  }
  body();
  return true;
}

void FakeThreadStarter::JoinAll() {
  std::vector<std::thread> threads;
  {
    std::lock_guard<std::mutex> hold(lock_);
    threads.swap(threads_);
  }
  for (std::thread& t : threads) t.join();
}

int FakeThreadStarter::Started() {
  std::lock_guard<std::mutex> hold(lock_);
  return started_;
}

void FakeThreadStarter::FailStarts(bool fail) {
  std::lock_guard<std::mutex> hold(lock_);
  fail_ = fail;
}

DriveType FakeDriveProvider::TypeOf(const std::string& root) {
  auto found = types.find(root);
  return found == types.end() ? DriveType::Fixed : found->second;
}

std::string FakeDriveProvider::VolumeLabel(const std::string& root) {
  auto found = labels.find(root);
  return found == labels.end() ? std::string() : found->second;
}

namespace {

class FakeListing : public DirListing {
 public:
  explicit FakeListing(FakeDirLister& lister) : lister_(lister) {}
  bool Open(const NativeString& dir, ListedEntry& first) override {
    std::lock_guard<std::mutex> hold(lister_.lock);
    auto found = lister_.tree.find(dir);
    if (found == lister_.tree.end()) return false;
    entries_ = found->second;
    NativeString dot(1, NativeChar('.'));
    ListedEntry self;
    self.name = dot;
    self.isDirectory = true;
    ListedEntry parent = self;
    parent.name = dot + dot;
    entries_.insert(entries_.begin(), {self, parent});
    next_ = 0;
    return Next(first);
  }
  bool Next(ListedEntry& entry) override {
    if (next_ >= entries_.size()) return false;
    entry = entries_[next_++];
    return true;
  }
  void Close() override { entries_.clear(); }

 private:
  FakeDirLister& lister_;
  std::vector<ListedEntry> entries_;
  size_t next_ = 0;
};

}  // namespace

void FakeDirLister::AddFile(const NativeString& dir, const NativeString& name, uint64_t size, bool offline) {
  std::lock_guard<std::mutex> hold(lock);
  ListedEntry entry;
  entry.name = name;
  entry.size = size;
  entry.contentOffline = offline;
  tree[dir].push_back(entry);
}

std::unique_ptr<DirListing> FakeDirLister::NewListing() { return std::make_unique<FakeListing>(*this); }

TestContext::TestContext(FakeThreadStarter::Mode mode, FileReader* reader, DirLister* dirLister)
    : threads(mode),
      ctx{
          .controls = controls,
          .lister = dirLister ? *dirLister : lister,
          .reader = reader ? *reader : PlatformFileReader(),
          .drives = drives,
          .threads = threads,
          .shell = shell,
          .seekPenalty = seekPenalty,
          .redirection = redirection,
      } {
  ctx.HealthScore.store(100);
}

TestContext::~TestContext() {
  WaitForScanWorker(ctx);
  threads.JoinAll();
}

bool WaitForScanWorker(ScanContext& ctx, int timeoutMs) {
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (ctx.scanRun.IsRunning()) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  // The flag drops inside the worker's last step under the gate: wait for that step to end.
  const ScanRun::Hold hold = ctx.scanRun.HoldGate();
  return true;
}

NativeString NativeFromUtf8(const std::string& utf8) { return GbkToNative(Utf8ToGbk(utf8)); }

void RecordingControls::Log(std::string entry) {
  std::lock_guard<std::mutex> hold(logLock_);
  if (logging_) log_.push_back(std::move(entry));
}

void RecordingControls::StopLogging() {
  std::lock_guard<std::mutex> hold(logLock_);
  logging_ = false;
  std::vector<std::string>().swap(log_);
}

std::vector<std::string> RecordingControls::TakeLog() {
  std::lock_guard<std::mutex> hold(logLock_);
  std::vector<std::string> log;
  log.swap(log_);
  return log;
}

void RecordingControls::SetCaption(LabelId label, std::string_view text) {
  const char* which = label == LabelId::Status ? "S" : label == LabelId::Score ? "P" : "V";
  Log(std::string("caption ") + which + ":" + std::string(text));
  ControlState::SetCaption(label, text);
}

int RecordingControls::AddRow(const SuspectRow& row) {
  std::string entry = "row:";
  for (int c = 0; c < kColumnCount; ++c) (entry += c ? "|" : "") += row.cells[c];
  Log(std::move(entry));
  return ControlState::AddRow(row);
}

void RecordingControls::SetSelection(int row) {
  Log("select:" + std::to_string(row));
  ControlState::SetSelection(row);
}

void RecordingControls::MakeRowVisible(int row) {
  Log("visible:" + std::to_string(row));
  ControlState::MakeRowVisible(row);
}

// Fakes of the platform services, and one program context over them for a test.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/dir_listing.h"
#include "platform/drive_provider.h"
#include "platform/file_reader.h"
#include "platform/fs_redirection.h"
#include "platform/seek_penalty.h"
#include "platform/shell.h"
#include "platform/threads.h"
#include "scan/scan_context.h"
#include "state/control_state.h"

// Holds each body until the test runs it (OnDemand), or runs it on a real thread that the
// fake joins on destruction (RealThread).
class FakeThreadStarter : public ThreadStarter {
 public:
  enum class Mode { OnDemand, RealThread };
  explicit FakeThreadStarter(Mode mode = Mode::OnDemand) : mode_(mode) {}
  ~FakeThreadStarter() override;

  bool StartDetached(std::function<void()> body) override;

  bool RunNext();  // runs the oldest held body on this thread; false when none
  void JoinAll();
  int Started();
  void FailStarts(bool fail);

 private:
  Mode mode_;
  std::mutex lock_;
  std::deque<std::function<void()>> held_;
  std::vector<std::thread> threads_;
  int started_ = 0;
  bool fail_ = false;
};

class FakeShellOpener : public ShellOpener {
 public:
  void OpenWithDefaultAction(const std::string& gbkPath, const NativeString& nativePath) override {
    calls.emplace_back(gbkPath, nativePath);
  }
  std::vector<std::pair<std::string, NativeString>> calls;
};

class FakeSeekPenaltyQuery : public SeekPenaltyQuery {
 public:
  bool DriveIncursSeekPenalty(const NativeString&) override { return seeks; }
  bool seeks = false;
};

// Counts the scopes that turn redirection off, over every thread, and the restores of those.
class FakeFsRedirectionSwitch : public FsRedirectionSwitch {
 public:
  bool TurnOff(void*& previous) override {
    previous = this;
    ++offs;
    return true;
  }
  void Restore(void* previous) override { restores += previous == this; }
  std::atomic<int> offs{0};
  std::atomic<int> restores{0};
};

class FakeDriveProvider : public DriveProvider {
 public:
  std::vector<std::string> DriveRoots() override { return roots; }
  DriveType TypeOf(const std::string& root) override;
  std::string VolumeLabel(const std::string& root) override;
  char CurrentDriveLetter() override { return currentDrive; }

  std::vector<std::string> roots;
  std::map<std::string, DriveType> types;
  std::map<std::string, std::string> labels;
  char currentDrive = 'C';
};

// An in-memory tree: directories (native texts ending in the separator) list their entries
// in the order they were added; a directory never added cannot be listed.
class FakeDirLister : public DirLister {
 public:
  void AddFile(const NativeString& dir, const NativeString& name, uint64_t size, bool offline = false);

  std::unique_ptr<DirListing> NewListing() override;
  DirectoryId IdentifyDirectory(const NativeString&) override { return {}; }

  std::map<NativeString, std::vector<ListedEntry>> tree;
  std::mutex lock;
};

// A ControlState that also logs the operations that show progress and rows, in order:
// "caption S|P|V:<text>", "row:<name>|<directory>|<size>|<category>", "select:<row>",
// "visible:<row>". StopLogging() for tests that run long: the log would grow without bound.
class RecordingControls : public ControlState {
 public:
  void SetCaption(LabelId label, std::string_view text) override;
  int AddRow(const SuspectRow& row) override;
  void SetSelection(int row) override;
  void MakeRowVisible(int row) override;
  std::vector<std::string> TakeLog();
  void StopLogging();

 private:
  void Log(std::string entry);
  std::mutex logLock_;
  std::vector<std::string> log_;
  bool logging_ = true;
};

// A program context over fakes, with HealthScore at 100 as after the window's creation. The
// reader and lister are the given ones (the platform's reader and the fake lister when none
// is given). On destruction it waits for a running worker and joins the threads it started.
class TestContext {
 public:
  explicit TestContext(FakeThreadStarter::Mode mode = FakeThreadStarter::Mode::OnDemand,
                       FileReader* reader = nullptr, DirLister* lister = nullptr);
  ~TestContext();
  TestContext(const TestContext&) = delete;
  TestContext& operator=(const TestContext&) = delete;

  RecordingControls controls;
  FakeDirLister lister;
  FakeThreadStarter threads;
  FakeShellOpener shell;
  FakeDriveProvider drives;
  FakeSeekPenaltyQuery seekPenalty;
  FakeFsRedirectionSwitch redirection;
  ScanContext ctx;
};

// Waits until ctx's scan worker no longer runs; false after timeoutMs.
bool WaitForScanWorker(ScanContext& ctx, int timeoutMs = 10000);

// NativeString from a UTF-8 source text (through GBK, as the program's texts go).
NativeString NativeFromUtf8(const std::string& utf8);

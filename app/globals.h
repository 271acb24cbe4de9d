// Program-wide state, from process start to process end.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

class Controls;
class DirLister;
class FileReader;
class DriveProvider;
class ThreadStarter;
class ShellOpener;

extern std::string ScanRoot;
extern std::atomic<int> AllDrivesMode;
extern std::atomic<int32_t> HealthScore;

// Where the logic reaches the window and the platform; set by the entry (or a test).
struct ProgramServices {
  Controls* controls = nullptr;
  DirLister* lister = nullptr;
  FileReader* reader = nullptr;
  DriveProvider* drives = nullptr;
  ThreadStarter* threads = nullptr;
  ShellOpener* shell = nullptr;
};
extern ProgramServices Services;

// The exit clean-up: ScanRoot, then ContentKeywords, then NameKeywords; runs once.
void ReleaseGlobals();

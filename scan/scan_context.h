// What the program's logic works with: the controls, the platform's services and the
// program-wide state. Made once by the program's entry (or by a test), its services filled by
// name, and handed on by reference.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "platform/dir_listing.h"
#include "platform/drive_provider.h"
#include "platform/file_reader.h"
#include "platform/fs_redirection.h"
#include "platform/seek_penalty.h"
#include "platform/shell.h"
#include "platform/threads.h"
#include "scan/controls.h"
#include "scan/scan_run.h"

// HealthScore at window creation and after the clear action.
inline constexpr int32_t kFullScore = 100;

// Neither copied nor moved (its run holds a lock): made in place, e.g.
// ScanContext{.controls = c, .lister = l, ...}, where a service left out does not compile. The
// other members start as their initialisers say ({} keeps g++ quiet about leaving them out).
struct ScanContext {
  Controls& controls;
  DirLister& lister;
  FileReader& reader;
  DriveProvider& drives;
  ThreadStarter& threads;
  ShellOpener& shell;
  SeekPenaltyQuery& seekPenalty;
  FsRedirectionSwitch& redirection;

  // The root of the running walk, ending in the separator; set by the launchers.
  std::string ScanRoot{};
  // 1 while a whole-machine scan goes from drive to drive.
  std::atomic<int> AllDrivesMode{0};
  // 100 minus the suspect rows added since the window was made or the list was cleared.
  std::atomic<int32_t> HealthScore{0};

  // The one scan at a time: its gate, flags and progress. One per context, which outlives it.
  ScanRun scanRun{};
};

// The scan thread and the rows and progress it shows.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "text/codepage.h"

// Starts ScanWorker on a new detached thread. Refused (false, nothing changes) while a
// worker still runs, so ScanRoot never changes under a walk.
bool StartScanWorker();
bool IsScanWorkerRunning();

// The thread body: walks ScanRoot with ClassifyFile, then writes the end text.
void ScanWorker();

void ShowProgress(const std::string& dir, const std::string& name);
std::string ProgressText(const std::string& dir, const std::string& name);
void AddSuspectRow(const std::string& name, const std::string& dir, uint64_t size, const std::string& category,
                   const NativeString* nativePath = nullptr);
void RevealLastRow();

const std::string& EndOfScanText();     // "扫描结束!"
const std::string& PrepareScanText();   // "准备扫描"
const std::string& AllDrivesDoneText(); // " 扫描结束!"

// At exit: makes a running worker stop adding rows and end its walk at the next file.
// Once it returns, no worker touches the controls again.
void AbandonScanWorker();
bool IsScanWorkerAbandoned();

// Held by the worker around each of its control writes, and by the clear action, a scan
// start and the abandon: a row and its score change are seen together, and a clear never
// falls between them.
std::mutex& ScanGateLock();

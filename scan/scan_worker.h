// The scan thread and the rows and progress it shows.
#pragma once

#include <cstdint>
#include <string>

#include "scan/read_ahead.h"
#include "scan/scan_context.h"
#include "text/codepage.h"
#include "text/gbk_literal.h"

// The status texts of a scan: the worker's end text, and the whole-machine sequence's two.
inline const GbkLiteral kEndOfScanText{"扫描结束!"};
inline const GbkLiteral kPrepareScanText{"准备扫描"};
inline const GbkLiteral kAllDrivesDoneText{" 扫描结束!"};

// Starts ScanWorker as the context's scan run, which ends with the end text. Refused (false,
// nothing changes) while a run is under way, so ScanRoot never changes under a walk.
bool StartScanWorker(ScanContext& ctx);

// The thread body: walks ScanRoot with ClassifyFile.
void ScanWorker(ScanContext& ctx);

// Redirection off, so a 32-bit scan sees the real System32; readers: ReadAheadReadersFor the root
// unless given (0: none).
void WalkScanRoot(ScanContext& ctx, const NativeString& nativeRoot);
void WalkScanRoot(ScanContext& ctx, const NativeString& nativeRoot, size_t readers, ReadAheadStats* stats = nullptr);

// Once the run is abandoned it shows nothing more and ends each remaining directory at its first
// file, so an exit never waits for a whole walk.
bool ClassifyFile(ScanContext& ctx, const FoundFile& file);

// The worker's control writes, each under the scan gate.
void ShowProgress(ScanContext& ctx, const ScanRun::Hold& gate, const std::string& dir, const std::string& name);
// nativePath: the platform's path of the file when GBK cannot hold its name, else empty.
void AddSuspectRow(ScanContext& ctx, const ScanRun::Hold& gate, const std::string& name, const std::string& dir,
                   uint64_t size, const std::string& category, NativeStringView nativePath = {});
void RevealLastRow(ScanContext& ctx, const ScanRun::Hold& gate);

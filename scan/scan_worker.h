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

// The walk of ScanRoot (nativeRoot: the same in the platform's form) with ClassifyFile and
// file-system redirection off, its listings and .txt answers read ahead by a pool of reader
// threads (ReadAheadReadersFor the root, or as many as given; 0: none); stats, when given, gets
// the pool's figures.
void WalkScanRoot(ScanContext& ctx, const NativeString& nativeRoot);
void WalkScanRoot(ScanContext& ctx, const NativeString& nativeRoot, size_t readers, ReadAheadStats* stats = nullptr);

// The visitor of every walk, one file at a time: the classifier's decision, then under the
// scan gate the file's progress, its row and score change for a suspect, and the last row revealed.
// Once the run is abandoned it shows nothing more, and the walk goes on quietly, each remaining
// directory ending at its first file.
bool ClassifyFile(ScanContext& ctx, const FoundFile& file);

// The worker's control writes, each under the scan gate.
void ShowProgress(ScanContext& ctx, const ScanRun::Hold& gate, const std::string& dir, const std::string& name);
// nativePath: the platform's path of the file when GBK cannot hold its name, else empty.
void AddSuspectRow(ScanContext& ctx, const ScanRun::Hold& gate, const std::string& name, const std::string& dir,
                   uint64_t size, const std::string& category, NativeStringView nativePath = {});
void RevealLastRow(ScanContext& ctx, const ScanRun::Hold& gate);

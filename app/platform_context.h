// The program context over this platform's own listing, reading, drives, threads and shell.
#pragma once

#include "scan/scan_context.h"

ScanContext PlatformScanContext(Controls& controls);

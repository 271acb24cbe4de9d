#include "scan/scan_context.h"

ScanContext PlatformScanContext(Controls& controls) {
  return ScanContext(controls, PlatformDirLister(), PlatformFileReader(), PlatformDriveProvider(),
                     PlatformThreadStarter(), PlatformShellOpener());
}

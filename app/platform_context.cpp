#include "app/platform_context.h"

#include "platform/dir_listing.h"
#include "platform/drive_provider.h"
#include "platform/file_reader.h"
#include "platform/shell.h"
#include "platform/threads.h"

ScanContext PlatformScanContext(Controls& controls) {
  return ScanContext{
      .controls = controls,
      .lister = PlatformDirLister(),
      .reader = PlatformFileReader(),
      .drives = PlatformDriveProvider(),
      .threads = PlatformThreadStarter(),
      .shell = PlatformShellOpener(),
      .seekPenalty = PlatformSeekPenaltyQuery(),
      .redirection = PlatformFsRedirectionSwitch(),
  };
}

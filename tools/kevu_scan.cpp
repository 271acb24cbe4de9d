// kevu-scan FOLDER: the scan engine on one folder, without the window. Prints every suspect
// row as tab-separated UTF-8 (name, directory, size, kind), then the last status text and
// the final score, one line each.
#include <cstdio>
#include <string>

#include "app/platform_context.h"
#include "platform/dir_listing.h"
#include "platform/file_reader.h"
#include "scan/classifier.h"
#include "scan/keywords.h"
#include "scan/scan_context.h"
#include "scan/scan_worker.h"
#include "scan/walker.h"
#include "state/control_state.h"

#ifdef _WIN32
// The folder comes from the wide command line, so any name works whatever the ANSI code page.
extern "C" __declspec(dllimport) wchar_t* __stdcall GetCommandLineW();
extern "C" __declspec(dllimport) wchar_t** __stdcall CommandLineToArgvW(const wchar_t*, int*);
#endif

namespace {

bool NativeFolderArgument(int argc, char** argv, NativeString& folder) {
#ifdef _WIN32
  (void)argv;
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr || count != 2 || argc != 2) return false;
  folder = wide[1];
#else
  if (argc != 2) return false;
  folder = argv[1];
#endif
  if (folder.empty()) return false;
  if (folder.back() != kNativeSeparator && folder.back() != NativeChar('/')) folder += kNativeSeparator;
  return true;
}

void PrintLine(const std::string& gbk) {
  std::string line = GbkToUtf8(gbk);
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), stdout);
}

}  // namespace

int main(int argc, char** argv) {
  NativeString nativeRoot;
  if (!NativeFolderArgument(argc, argv, nativeRoot)) {
    std::fputs("usage: kevu-scan FOLDER\n", stderr);
    return 2;
  }
  ControlState state;
  ScanContext ctx = PlatformScanContext(state);
  ctx.HealthScore.store(100);
  LoadKeywordLists();

  NativeToGbk(nativeRoot, ctx.ScanRoot);
  // The native form of the root is walked, so a folder GBK cannot name is still reached.
  WalkScanRoot(ctx, nativeRoot);
  state.SetCaption(LabelId::Status, kEndOfScanText.Gbk());

  for (int row = 0, rows = state.RowCount(); row < rows; ++row) {
    std::string line;
    for (int column = 0; column < 4; ++column) {
      if (column > 0) line += '\t';
      line += state.CellText(row, static_cast<Column>(column));
    }
    PrintLine(line);
  }
  PrintLine(state.Caption(LabelId::Status));
  std::printf("%d\n", static_cast<int>(ctx.HealthScore.load()));
  return 0;
}

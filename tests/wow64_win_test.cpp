// On 64-bit Windows the scan walks and reads the real System32, not SysWOW64 under its name.
// Run by tests/wow64/run_wow64.sh in a 64-bit Wine prefix whose system32\kevu-wow and
// syswow64\kevu-wow it has filled (see there for the files).
#include <gtest/gtest.h>

#include <windows.h>

#include <set>
#include <string>

#include "app/platform_context.h"
#include "platform/dir_listing.h"
#include "platform/file_reader.h"
#include "platform/fs_redirection.h"
#include "platform/shell_path_win.h"
#include "scan/classifier.h"
#include "scan/keywords.h"
#include "scan/scan_context.h"
#include "scan/scan_worker.h"
#include "scan/walker.h"
#include "state/control_state.h"
#include "support/fakes.h"

namespace {

const char kSystem32[] = "C:\\Windows\\System32\\kevu-wow\\";
const char kSysWow64[] = "C:\\Windows\\SysWOW64\\kevu-wow\\";

std::set<std::string> NamesOnThisThread(const std::string& root) {
  std::set<std::string> names;
  WalkDirectory(root, GbkToNative(root),
                [&](const FoundFile& f) {
                  names.insert(f.name);
                  return true;
                },
                Recurse::Yes, PlatformDirLister());
  return names;
}

std::string Content(const NativeString& path) {
  auto stream = PlatformFileReader().OpenForRead(path);
  if (!stream) return "<unopened>";
  std::string out;
  char buffer[256];
  for (long long n; (n = stream->Read(buffer, sizeof buffer)) > 0;) out.append(buffer, static_cast<size_t>(n));
  return out;
}

// The rows a whole scan of root adds, as "directory|name|kind".
std::set<std::string> ScanRows(ScanContext& ctx, ControlState& controls, const std::string& root) {
  const int before = controls.RowCount();
  ctx.ScanRoot = root;
  EXPECT_TRUE(StartScanWorker(ctx));
  EXPECT_TRUE(WaitForScanWorker(ctx));
  std::set<std::string> rows;
  for (int row = before; row < controls.RowCount(); ++row)
    rows.insert(controls.CellText(row, Column::Directory) + "|" + controls.CellText(row, Column::Name) + "|" + controls.CellText(row, Column::Category));
  return rows;
}

TEST(Wow64, ScanThreadWalksAndReadsTheRealSystem32AndOnlyIt) {
  BOOL wow64 = FALSE;
  ASSERT_TRUE(IsWow64Process(GetCurrentProcess(), &wow64));
  ASSERT_TRUE(wow64) << "needs a 32-bit process on 64-bit Windows (a win64 Wine prefix)";
  // Redirected here: the name System32 shows what is in syswow64.
  ASSERT_EQ(NamesOnThisThread(kSystem32), (std::set<std::string>{"sexy-wow.avi", "story.txt"}))
      << "the fixture of run_wow64.sh is missing";

  ControlState controls;
  ScanContext ctx = PlatformScanContext(controls);
  LoadKeywordLists();
  {
    // Both story.txt files are listed; only the one in the real system32 holds keywords,
    // so its row shows the walk and the read both reached the real folder.
    const std::string article = kArticleCategory.Gbk(), video = CategoryForName(".avi");
    EXPECT_EQ(ScanRows(ctx, controls, kSystem32),
              (std::set<std::string>{std::string(kSystem32) + "|sexy-real.avi|" + video,
                                     std::string(kSystem32) + "|story.txt|" + article}));
    EXPECT_EQ(ScanRows(ctx, controls, kSysWow64),
              (std::set<std::string>{std::string(kSysWow64) + "|sexy-wow.avi|" + video}));
  }

  // The shell runs with redirection on: a row below System32 reaches it by the Sysnative name.
  const NativeString row = GbkToNative(std::string(kSystem32) + "story.txt");
  EXPECT_EQ(Content(PathForTheShell(row)).substr(0, 4), Utf8ToGbk("乳房"));
  const NativeString wowRow = GbkToNative(std::string(kSysWow64) + "story.txt");
  EXPECT_EQ(PathForTheShell(wowRow), wowRow);

  // The scope turns it off for its own thread only while it lives.
  {
    const FsRedirectionOff off(ctx.redirection);
    EXPECT_EQ(NamesOnThisThread(kSystem32), (std::set<std::string>{"sexy-real.avi", "story.txt"}));
  }
  EXPECT_EQ(NamesOnThisThread(kSystem32), (std::set<std::string>{"sexy-wow.avi", "story.txt"}));
}

}  // namespace

// The start-up signal against a real named mapping of this process.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>

#include "app/startup_signal.h"
#include "text/codepage.h"
#include "text/gbk_text.h"

namespace {

class StartupSignalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The full-width name, as the party waiting for the signal creates it.
    std::wstring name = GbkToWide(ToFullWidth("Mirel-QT"));
    ASSERT_EQ(name, L"\xFF2D\xFF49\xFF52\xFF45\xFF4C\xFF0D\xFF31\xFF34");
    mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, name.c_str());
    ASSERT_NE(mapping, nullptr);
    view = static_cast<unsigned char*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
    ASSERT_NE(view, nullptr);
    std::memset(view, 0xAB, 8);
  }
  void TearDown() override {
    if (view) UnmapViewOfFile(view);
    if (mapping) CloseHandle(mapping);
  }
  bool Cleared() const { return view[0] == 0 && view[1] == 0 && view[2] == 0; }
  bool Untouched() const { return view[0] == 0xAB && view[1] == 0xAB && view[2] == 0xAB; }

  HANDLE mapping = nullptr;
  unsigned char* view = nullptr;
};

TEST_F(StartupSignalTest, TmpNamesWriteThreeZeroBytes) {
  for (const wchar_t* path : {L"C:\\x\\SCAN.TMP", L"C:\\x\\scan.tmp", L".tmp", L"\x6D4B\x8BD5.Tmp"}) {
    std::memset(view, 0xAB, 8);
    EXPECT_TRUE(SendStartupSignal(path)) << path;
    EXPECT_TRUE(Cleared()) << path;
    EXPECT_EQ(view[3], 0xAB) << "only three bytes";
  }
}

TEST_F(StartupSignalTest, OtherNamesWriteNothing) {
  for (const wchar_t* path : {L"C:\\x\\scan.tmp.exe", L"C:\\x\\scan.tmpx", L"C:\\x\\scantmp", L"C:\\x.tmp\\a.exe",
                              L"tmp", L""}) {
    EXPECT_FALSE(SendStartupSignal(path)) << path;
    EXPECT_TRUE(Untouched()) << path;
  }
}

TEST(StartupSignalWithoutMapping, IsQuiet) {
  // No mapping of that name exists in this test: nothing to write, nothing fails.
  EXPECT_FALSE(SendStartupSignal(L"C:\\x\\SCAN.TMP"));
}

}  // namespace

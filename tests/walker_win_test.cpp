// The Win32 side of the walk and the reading: long paths, names GBK cannot hold, sharing.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "platform/dir_listing.h"
#include "platform/file_reader.h"
#include "platform/long_path_win.h"
#include "scan/walker.h"
#include "support/temp_tree.h"

namespace {

struct Seen {
  std::string dir;
  std::string name;
  std::wstring nativePath;
  bool lossy;
};

std::vector<Seen> Walk(const std::wstring& nativeRoot) {
  std::string root;
  NativeToGbk(nativeRoot, root);
  std::vector<Seen> seen;
  WalkDirectory(root, nativeRoot,
                [&](const FoundFile& f) {
                  seen.push_back({f.dir, f.name, f.nativeDir + f.nativeName, f.nameLossy});
                  return true;
                },
                Recurse::Yes, PlatformDirLister());
  return seen;
}

bool MakeDir(const std::wstring& path) { return CreateDirectoryW(ToFileSystemPath(path).c_str(), nullptr) != 0; }

bool MakeFile(const std::wstring& path, const std::string& content) {
  HANDLE h = CreateFileW(ToFileSystemPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
                  written == content.size();
  CloseHandle(h);
  return ok;
}

std::string ReadAll(const std::wstring& path) {
  auto s = PlatformFileReader().OpenForRead(path);
  if (!s) return "<unopened>";
  std::string out;
  char buf[256];
  for (long long n; (n = s->Read(buf, sizeof buf)) > 0;) out.append(buf, static_cast<size_t>(n));
  return out;
}

TEST(LongPath, OnlyLongPathsGetTheExtendedForm) {
  EXPECT_EQ(ToFileSystemPath(L"C:\\a\\b.txt"), L"C:\\a\\b.txt");
  EXPECT_EQ(ToFileSystemPath(L"C:\\a\\\\b.txt"), L"C:\\a\\\\b.txt") << "short paths keep the Win32 rules";

  const std::wstring longPart(250, L'x');
  EXPECT_EQ(ToFileSystemPath(L"C:\\" + longPart + L"\\\\n.txt"), L"\\\\?\\C:\\" + longPart + L"\\n.txt");
  EXPECT_EQ(ToFileSystemPath(L"C:/" + longPart + L"/*"), L"\\\\?\\C:\\" + longPart + L"\\*");
  EXPECT_EQ(ToFileSystemPath(L"\\\\server\\share\\" + longPart), L"\\\\?\\UNC\\server\\share\\" + longPart);
  const std::wstring already = L"\\\\?\\C:\\" + longPart;
  EXPECT_EQ(ToFileSystemPath(already), already);
}

TEST(WinWalk, TreesDeeperThanMaxPathAreWalkedAndRead) {
  TempTree tree;
  std::wstring dir = tree.NativeRoot();
  const std::wstring segment(40, L'd');
  for (int i = 0; i < 8; ++i) {
    dir += segment + std::to_wstring(i) + L"\\";
    ASSERT_TRUE(MakeDir(dir)) << GetLastError();
  }
  ASSERT_GT(dir.size(), 300u);
  ASSERT_TRUE(MakeFile(dir + L"deep.txt", "deep content"));
  ASSERT_TRUE(MakeFile(tree.NativeRoot() + L"shallow.txt", "shallow"));

  const std::vector<Seen> seen = Walk(tree.NativeRoot());
  ASSERT_EQ(seen.size(), 2u);
  for (const Seen& s : seen) {
    EXPECT_EQ(s.dir.find("\\\\?\\"), std::string::npos) << "shown texts never carry the prefix";
    EXPECT_EQ(s.nativePath.find(L"\\\\?\\"), std::wstring::npos);
    EXPECT_EQ(s.dir.back(), '\\');
  }
  const Seen& deep = seen[0].name == "deep.txt" ? seen[0] : seen[1];
  EXPECT_EQ(deep.name, "deep.txt");
  EXPECT_GT(deep.dir.size(), 300u);
  EXPECT_EQ(ReadAll(deep.nativePath), "deep content");
  // The GBK texts of an ASCII tree name the same file, doubled separator and all.
  EXPECT_EQ(ReadAll(GbkToNative(deep.dir + "\\" + deep.name)), "deep content");
}

TEST(WinWalk, NamesGbkCannotHoldAreLossyButStillOpen) {
  TempTree tree;
  const std::wstring emoji = L"\U0001F600 \uD55C\uAE00 \u0E44\u0E17\u0E22.txt";  // emoji, Hangul, Thai
  const std::wstring gbkable = L"\u7535\u5F71.avi";                              // 电影
  ASSERT_TRUE(MakeFile(tree.NativeRoot() + emoji, "lossy"));
  ASSERT_TRUE(MakeFile(tree.NativeRoot() + gbkable, "fine"));

  const std::vector<Seen> seen = Walk(tree.NativeRoot());
  ASSERT_EQ(seen.size(), 2u);
  for (const Seen& s : seen) {
    if (s.nativePath.ends_with(emoji)) {
      EXPECT_TRUE(s.lossy);
      EXPECT_NE(s.name.find('?'), std::string::npos) << s.name;
      EXPECT_TRUE(s.name.ends_with(".txt"));
      EXPECT_EQ(ReadAll(s.nativePath), "lossy");
    } else {
      EXPECT_FALSE(s.lossy);
      EXPECT_EQ(s.name, Utf8ToGbk("电影.avi"));
      EXPECT_EQ(ReadAll(s.nativePath), "fine");
    }
  }
}

TEST(WinWalk, HiddenAndSystemDirectoriesAreEntered) {
  TempTree tree;
  const std::wstring hidden = tree.NativeRoot() + L"hidden\\";
  ASSERT_TRUE(MakeDir(hidden));
  ASSERT_TRUE(MakeFile(hidden + L"in.txt", "x"));
  ASSERT_TRUE(SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
  const std::vector<Seen> seen = Walk(tree.NativeRoot());
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].name, "in.txt");
  SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(WinRead, WritersAreShutOutAndAWrittenFileIsNotRead) {
  TempTree tree;
  const std::wstring path = tree.NativeRoot() + L"shared.txt";
  ASSERT_TRUE(MakeFile(path, "abc"));
  {
    auto stream = PlatformFileReader().OpenForRead(path);
    ASSERT_NE(stream, nullptr);
    HANDLE writer = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(writer, INVALID_HANDLE_VALUE) << "writing by others is denied while the file is read";
    if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
    HANDLE reader = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(reader, INVALID_HANDLE_VALUE) << "other readers are welcome";
    if (reader != INVALID_HANDLE_VALUE) CloseHandle(reader);
  }
  HANDLE writer =
      CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  EXPECT_EQ(PlatformFileReader().OpenForRead(path), nullptr) << "a file open for writing is treated as unreadable";
  CloseHandle(writer);
  EXPECT_EQ(ReadAll(path), "abc");
}

TEST(WinListing, IdentitiesIgnoreTheSpellingOfThePath) {
  TempTree tree;
  const std::wstring a = tree.NativeRoot() + L"a\\";
  ASSERT_TRUE(MakeDir(a));
  ASSERT_TRUE(MakeDir(tree.NativeRoot() + L"b\\"));
  const DirectoryId id = PlatformDirLister().IdentifyDirectory(a);
  ASSERT_TRUE(id.valid);
  EXPECT_EQ(id, PlatformDirLister().IdentifyDirectory(L"\\\\?\\" + a));
  EXPECT_FALSE(id == PlatformDirLister().IdentifyDirectory(tree.NativeRoot() + L"b\\"));
  EXPECT_FALSE(PlatformDirLister().IdentifyDirectory(tree.NativeRoot() + L"none\\").valid);
}

}  // namespace

// Reading a file's content through the platform's reader.
#include <gtest/gtest.h>

#include <string>

#include "platform/file_reader.h"
#include "support/temp_tree.h"

namespace {

std::string ReadAll(FileReadStream& s, size_t chunk) {
  std::string out;
  std::string buf(chunk, '\0');
  for (;;) {
    long long n = s.Read(buf.data(), buf.size());
    if (n <= 0) break;
    out.append(buf.data(), static_cast<size_t>(n));
  }
  return out;
}

TEST(FileReader, ReadsTheWholeContentInPieces) {
  TempTree tree;
  std::string content;
  for (int i = 0; i < 100000; ++i) content += static_cast<char>(i * 7);
  content[10] = '\0';
  ASSERT_TRUE(tree.File("a.txt", content));
  ASSERT_TRUE(tree.File("empty.txt"));

  auto s = PlatformFileReader().OpenForRead(tree.At("a.txt").native());
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(ReadAll(*s, 4096), content) << "embedded NULs are the caller's business";

  auto e = PlatformFileReader().OpenForRead(tree.At("empty.txt").native());
  ASSERT_NE(e, nullptr);
  char c;
  EXPECT_EQ(e->Read(&c, 1), 0);
}

TEST(FileReader, WhatCannotBeOpenedGivesNoStream) {
  TempTree tree;
  ASSERT_TRUE(tree.Dir("dir.txt"));
  EXPECT_EQ(PlatformFileReader().OpenForRead(tree.At("missing.txt").native()), nullptr);
  EXPECT_EQ(PlatformFileReader().OpenForRead(tree.At("dir.txt").native()), nullptr);
  EXPECT_EQ(PlatformFileReader().OpenForRead(NativeString()), nullptr);
}

}  // namespace

// The DriveBox items built from a drive provider.
#include <gtest/gtest.h>

#include <map>

#include "scan/drive_box_items.h"
#include "text/codepage.h"

namespace {

class FakeDrives final : public DriveProvider {
 public:
  struct Drive {
    std::string root;
    DriveType type;
    std::string label;
  };
  std::vector<Drive> drives;
  char current = 'C';
  std::vector<std::string> typeAskedFor;

  std::vector<std::string> DriveRoots() override {
    std::vector<std::string> roots;
    for (const Drive& d : drives) roots.push_back(d.root);
    return roots;
  }
  DriveType TypeOf(const std::string& root) override {
    typeAskedFor.push_back(root);
    for (const Drive& d : drives) {
      if (d.root == root) return d.type;
    }
    return DriveType::Unknown;
  }
  std::string VolumeLabel(const std::string& root) override {
    for (const Drive& d : drives) {
      if (d.root == root) return d.label;
    }
    return "";
  }
  char CurrentDriveLetter() override { return current; }
};

TEST(DriveBoxItems, FixedDisksInOrderWithLabelsAndTheCurrentDriveSelected) {
  FakeDrives fake;
  const std::string gbkLabel = Utf8ToGbk("数据");
  fake.drives = {{"A:\\", DriveType::Removable, ""},
                 {"c:\\", DriveType::Fixed, "System"},
                 {"D:\\", DriveType::Fixed, ""},
                 {"E:\\", DriveType::Removable, "Stick"},
                 {"F:\\", DriveType::CdRom, ""},
                 {"G:\\", DriveType::Fixed, gbkLabel}};
  fake.current = 'D';
  int selected = 99;
  const std::vector<DriveBoxItem> items = BuildDriveBoxItems(fake, selected);
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0].text, Utf8ToGbk("C: （硬盘） System"));
  EXPECT_EQ(items[0].letter, 'C');
  EXPECT_EQ(items[1].text, Utf8ToGbk("D: （硬盘）"));
  EXPECT_EQ(items[1].letter, 'D');
  EXPECT_EQ(items[2].text, Utf8ToGbk("G: （硬盘） 数据"));
  EXPECT_EQ(selected, 1);
}

TEST(DriveBoxItems, NoSelectionWhenTheCurrentDriveIsNotAFixedDisk) {
  FakeDrives fake;
  fake.drives = {{"C:\\", DriveType::Fixed, ""}, {"E:\\", DriveType::Removable, ""}};
  fake.current = 'E';
  int selected = 0;
  EXPECT_EQ(BuildDriveBoxItems(fake, selected).size(), 1u);
  EXPECT_EQ(selected, -1);

  FakeDrives none;
  selected = 5;
  EXPECT_TRUE(BuildDriveBoxItems(none, selected).empty());
  EXPECT_EQ(selected, -1);
}

TEST(PlatformDrives, ListsAtLeastOneFixedRoot) {
  DriveProvider& drives = PlatformDriveProvider();
  const std::vector<std::string> roots = drives.DriveRoots();
  ASSERT_FALSE(roots.empty());
  bool anyFixed = false;
  for (const std::string& r : roots) {
    EXPECT_EQ(r.back(), static_cast<char>(kNativeSeparator)) << r;
    anyFixed = anyFixed || drives.TypeOf(r) == DriveType::Fixed;
  }
  EXPECT_TRUE(anyFixed);
  int selected = -2;
  const std::vector<DriveBoxItem> items = BuildDriveBoxItems(drives, selected);
  EXPECT_FALSE(items.empty());
  EXPECT_GE(selected, -1);
#ifdef _WIN32
  const char current = drives.CurrentDriveLetter();
  EXPECT_TRUE(current >= 'A' && current <= 'Z') << current;
#endif
}

}  // namespace

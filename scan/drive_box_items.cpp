// The item list of DriveBox: the fixed disks, in the platform's order.
#include "scan/drive_box_items.h"

#include "text/codepage.h"

namespace {

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

std::vector<DriveBoxItem> BuildDriveBoxItems(DriveProvider& drives, int& selected) {
  static const std::string kFixedDiskWord = Utf8ToGbk(" （硬盘）");
  std::vector<DriveBoxItem> items;
  selected = -1;
  const char current = UpperAscii(drives.CurrentDriveLetter());
  for (const std::string& root : drives.DriveRoots()) {
    if (root.empty()) continue;
    const char letter = UpperAscii(root[0]);
    if (drives.TypeOf(root) != DriveType::Fixed) continue;
    DriveBoxItem item{std::string(1, letter), letter};
    item.text += ':';
    item.text += kFixedDiskWord;
    const std::string label = drives.VolumeLabel(root);
    if (!label.empty()) {
      item.text += ' ';
      item.text += label;
    }
    if (letter == current && selected == -1) selected = static_cast<int>(items.size());
    items.push_back(std::move(item));
  }
  return items;
}

// The items of DriveBox: the fixed disks, with the text the box shows for each.
#pragma once

#include <string>
#include <vector>

#include "platform/drive_provider.h"

struct DriveBoxItem {
  std::string text;  // e.g. "C: （硬盘） System", GBK
  char letter;
};

// The fixed disks in order; selected is the index of the current drive's item or -1.
std::vector<DriveBoxItem> BuildDriveBoxItems(DriveProvider& drives, int& selected);

// The drives of the machine as the platform reports them: roots, types, labels, current drive.
#pragma once

#include <string>
#include <vector>

enum class DriveType { Unknown, Removable, Fixed, Remote, CdRom, RamDisk };

class DriveProvider {
 public:
  virtual ~DriveProvider() = default;
  // The drive root texts in the platform's order, e.g. "C:\", "D:\" (GBK).
  virtual std::vector<std::string> DriveRoots() = 0;
  virtual DriveType TypeOf(const std::string& root) = 0;
  // The volume label, GBK; "" when none.
  virtual std::string VolumeLabel(const std::string& root) = 0;
  // The upper-case letter of the process's current drive.
  virtual char CurrentDriveLetter() = 0;
};

DriveProvider& PlatformDriveProvider();

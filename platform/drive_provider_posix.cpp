// A stand-in for machines without drive letters: one fixed root "/" without a label.
#include "platform/drive_provider.h"

namespace {

class PosixDriveProvider final : public DriveProvider {
 public:
  std::vector<std::string> DriveRoots() override { return {"/"}; }
  DriveType TypeOf(const std::string& root) override { return root == "/" ? DriveType::Fixed : DriveType::Unknown; }
  std::string VolumeLabel(const std::string&) override { return ""; }
  char CurrentDriveLetter() override { return '/'; }
};

}  // namespace

DriveProvider& PlatformDriveProvider() {
  static PosixDriveProvider provider;
  return provider;
}

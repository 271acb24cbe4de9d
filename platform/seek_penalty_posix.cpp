// Linux: a drive seeks when the block device under the path says it rotates.
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <fstream>
#include <string>

#include "platform/seek_penalty.h"

namespace {

class RotationalFlagQuery final : public SeekPenaltyQuery {
 public:
  bool DriveIncursSeekPenalty(const NativeString& path) override;
};

bool RotationalFlagQuery::DriveIncursSeekPenalty(const NativeString& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return false;
  const std::string device =
      "/sys/dev/block/" + std::to_string(major(st.st_dev)) + ":" + std::to_string(minor(st.st_dev));
  // A partition has no queue of its own: its disk's is one folder up.
  for (const char* queue : {"/queue/rotational", "/../queue/rotational"}) {
    std::ifstream in(device + queue);
    char flag = 0;
    if (in >> flag) return flag == '1';
  }
  return false;
}

}  // namespace

SeekPenaltyQuery& PlatformSeekPenaltyQuery() {
  static RotationalFlagQuery query;
  return query;
}

#include "skin/deploy_skin.h"

#include <optional>

namespace {

NativeString Native(const char* ascii) { return NativeString(ascii, ascii + std::char_traits<char>::length(ascii)); }

const NativeString& PathOf(const SkinTargets& targets, SkinBlob blob) {
  switch (blob) {
    case SkinBlob::Library:
      return targets.library;
    case SkinBlob::Frost:
      return targets.frost;
    case SkinBlob::Ember:
      return targets.ember;
  }
  return targets.library;
}

// One run of DeploySkinWith. The per-user folder is asked for only once a file cannot be had
// in the fixed folder, so a start that finds both fixed files looks no further.
class Deployment {
 public:
  Deployment(const SkinTargets& fixed, SkinDeployPlatform& platform) : fixed_(fixed), platform_(platform) {}

  // The fixed path when the file is there or can be written there, else the per-user copy;
  // the fixed path again when neither can be had, so that what follows fails as it would.
  NativeString Place(SkinBlob blob) {
    const NativeString& fixed = PathOf(fixed_, blob);
    if (platform_.Exists(fixed) || platform_.Write(fixed, blob)) return fixed;
    const NativeString& copy = UserCopy(blob);
    return copy.empty() ? fixed : copy;
  }

  // The per-user copy, written when absent; empty when there is no per-user folder or the file
  // cannot be had there either. Each file is looked for there at most once.
  const NativeString& UserCopy(SkinBlob blob) {
    std::optional<NativeString>& copy = userCopies_[static_cast<int>(blob)];
    if (copy) return *copy;
    if (!userFolder_) userFolder_ = platform_.UserFolder();
    copy.emplace();
    if (userFolder_->empty()) return *copy;
    const NativeString path = PathOf(SkinTargetsIn(*userFolder_), blob);
    if (platform_.Exists(path) || platform_.Write(path, blob)) *copy = path;
    return *copy;
  }

 private:
  const SkinTargets& fixed_;
  SkinDeployPlatform& platform_;
  std::optional<NativeString> userFolder_;
  std::optional<NativeString> userCopies_[3];
};

}  // namespace

SkinTargets SkinTargetsIn(const NativeString& folder) {
  return {folder + Native("Skin.dll"), folder + Native("frost.skn"), folder + Native("Ember.skn")};
}

SkinTargets FixedSkinTargets() { return SkinTargetsIn(Native("C:\\WINDOWS\\system\\")); }

void DeploySkinWith(int skinNumber, const SkinTargets& fixed, SkinDeployPlatform& platform) {
  Deployment deployment(fixed, platform);
  const NativeString library = deployment.Place(SkinBlob::Library);
  if (skinNumber != 1 && skinNumber != 2) return;
  const SkinBlob skin = skinNumber == 1 ? SkinBlob::Frost : SkinBlob::Ember;
  const NativeString skinPath = deployment.Place(skin);
  if (platform.Attach(library, skinPath) || library != fixed.library) return;
  // A fixed library that cannot be used (cut off, foreign, a directory) is left as it is; the
  // per-user copy stands in for it, on this start and every later one.
  const NativeString& copy = deployment.UserCopy(SkinBlob::Library);
  if (!copy.empty()) platform.Attach(copy, skinPath);
}

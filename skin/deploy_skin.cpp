#include "skin/deploy_skin.h"

#include <algorithm>
#include <optional>
#include <string_view>

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
  Deployment(const SkinTargets& fixed, bool fixedTrusted, SkinDeployPlatform& platform)
      : fixed_(fixed), fixedTrusted_(fixedTrusted), platform_(platform) {}

  // The fixed path when the file is there or can be written there, else the per-user copy;
  // the fixed path again when neither can be had, so that what follows fails as it would.
  // An untrusted fixed folder is never looked at: the per-user copy or nothing (empty).
  NativeString Place(SkinBlob blob) {
    const NativeString& fixed = PathOf(fixed_, blob);
    if (fixedTrusted_ && (platform_.Exists(fixed) || platform_.Write(fixed, blob))) return fixed;
    const NativeString& copy = UserCopy(blob);
    return copy.empty() && fixedTrusted_ ? fixed : copy;
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
  const bool fixedTrusted_;
  SkinDeployPlatform& platform_;
  std::optional<NativeString> userFolder_;
  std::optional<NativeString> userCopies_[3];
};

}  // namespace

SkinTargets SkinTargetsIn(const NativeString& folder) {
  return {folder + Native("Skin.dll"), folder + Native("frost.skn"), folder + Native("Ember.skn")};
}

SkinTargets FixedSkinTargets() { return SkinTargetsIn(Native("C:\\WINDOWS\\system\\")); }

bool FixedFolderIsTheSystems(const SkinTargets& fixed, const NativeString& windowsFolder) {
  const NativeChar separator = NativeChar('\\');
  NativeStringView parent = fixed.library;
  for (int part = 0; part < 2; ++part) {  // the file's name, then the fixed folder's
    const size_t cut = parent.find_last_of(separator);
    if (cut == NativeStringView::npos) return false;
    parent = parent.substr(0, cut);
  }
  NativeStringView windows = windowsFolder;
  if (!windows.empty() && windows.back() == separator) windows.remove_suffix(1);
  // ASCII letters only: a name that differs elsewhere counts as another folder, the safe side.
  const auto lower = [](NativeChar c) { return c >= 'A' && c <= 'Z' ? static_cast<NativeChar>(c - 'A' + 'a') : c; };
  return !windows.empty() && windows.size() == parent.size() &&
         std::equal(windows.begin(), windows.end(), parent.begin(),
                    [&](NativeChar a, NativeChar b) { return lower(a) == lower(b); });
}

void DeploySkinWith(int skinNumber, const SkinTargets& fixed, SkinDeployPlatform& platform) {
  Deployment deployment(fixed, FixedFolderIsTheSystems(fixed, platform.WindowsFolder()), platform);
  const NativeString library = deployment.Place(SkinBlob::Library);
  if (skinNumber != kFrostSkin && skinNumber != kEmberSkin) return;
  const SkinBlob skin = skinNumber == kFrostSkin ? SkinBlob::Frost : SkinBlob::Ember;
  const NativeString skinPath = deployment.Place(skin);
  if (library.empty() || skinPath.empty()) return;  // no per-user copies, and no fixed folder to trust
  if (platform.Attach(library, skinPath) || library != fixed.library) return;
  // A fixed library that cannot be used (cut off, foreign, a directory) is left as it is; the
  // per-user copy stands in for it, on this start and every later one.
  const NativeString& copy = deployment.UserCopy(SkinBlob::Library);
  if (!copy.empty()) platform.Attach(copy, skinPath);
}

#include "skin/deploy_skin.h"

SkinTargets FixedSkinTargets() {
  const NativeChar* library = nullptr;
  const NativeChar* frost = nullptr;
  const NativeChar* ember = nullptr;
#ifdef _WIN32
  library = L"C:\\WINDOWS\\system\\Skin.dll";
  frost = L"C:\\WINDOWS\\system\\frost.skn";
  ember = L"C:\\WINDOWS\\system\\Ember.skn";
#else
  library = "C:\\WINDOWS\\system\\Skin.dll";
  frost = "C:\\WINDOWS\\system\\frost.skn";
  ember = "C:\\WINDOWS\\system\\Ember.skn";
#endif
  return {library, frost, ember};
}

void DeploySkinWith(int skinNumber, const SkinTargets& targets, SkinDeployPlatform& platform) {
  // Results are ignored on purpose: a failed write leaves the next step to fail quietly.
  if (!platform.Exists(targets.library)) platform.Write(targets.library, SkinBlob::Library);
  if (skinNumber != 1 && skinNumber != 2) return;
  const NativeString& skinPath = skinNumber == 1 ? targets.frost : targets.ember;
  if (!platform.Exists(skinPath)) platform.Write(skinPath, skinNumber == 1 ? SkinBlob::Frost : SkinBlob::Ember);
  platform.Attach(targets.library, skinPath);
}

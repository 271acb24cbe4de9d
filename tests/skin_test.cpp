// The deployment's order and skip-if-present rule, against a recording platform.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "skin/deploy_skin.h"

namespace {

class RecordingPlatform : public SkinDeployPlatform {
 public:
  std::set<NativeString> present;
  bool writesSucceed = true;
  std::vector<std::string> calls;

  bool Exists(const NativeString& path) override { return present.count(path) != 0; }
  bool Write(const NativeString& path, SkinBlob blob) override {
    static const char* const kNames[] = {"library", "frost", "ember"};
    calls.push_back("write " + Name(path) + " " + kNames[static_cast<int>(blob)]);
    if (writesSucceed) present.insert(path);
    return writesSucceed;
  }
  bool Attach(const NativeString& library, const NativeString& skin) override {
    calls.push_back("attach " + Name(library) + " " + Name(skin));
    return true;
  }

 private:
  static std::string Name(const NativeString& path) {
    std::string name;
    for (NativeChar c : path.substr(path.find_last_of(NativeChar('\\')) + 1)) name += static_cast<char>(c);
    return name;
  }
};

using Calls = std::vector<std::string>;

TEST(DeploySkin, FirstStartWritesLibraryThenEmberThenAttaches) {
  RecordingPlatform platform;
  DeploySkinWith(2, FixedSkinTargets(), platform);
  EXPECT_EQ(platform.calls, (Calls{"write Skin.dll library", "write Ember.skn ember", "attach Skin.dll Ember.skn"}));

  platform.calls.clear();
  DeploySkinWith(2, FixedSkinTargets(), platform);
  EXPECT_EQ(platform.calls, (Calls{"attach Skin.dll Ember.skn"})) << "a second start writes nothing";
}

TEST(DeploySkin, WritesOnlyWhatIsAbsent) {
  const SkinTargets targets = FixedSkinTargets();
  RecordingPlatform platform;
  platform.present = {targets.library};
  DeploySkinWith(2, targets, platform);
  EXPECT_EQ(platform.calls, (Calls{"write Ember.skn ember", "attach Skin.dll Ember.skn"}));

  RecordingPlatform skinOnly;
  skinOnly.present = {targets.ember};
  DeploySkinWith(2, targets, skinOnly);
  EXPECT_EQ(skinOnly.calls, (Calls{"write Skin.dll library", "attach Skin.dll Ember.skn"}));
}

TEST(DeploySkin, SkinNumberPicksTheFileOrNone) {
  RecordingPlatform frost;
  DeploySkinWith(1, FixedSkinTargets(), frost);
  EXPECT_EQ(frost.calls, (Calls{"write Skin.dll library", "write frost.skn frost", "attach Skin.dll frost.skn"}));

  for (int n : {0, 3, -1, -2147483647 - 1}) {
    RecordingPlatform none;
    DeploySkinWith(n, FixedSkinTargets(), none);
    EXPECT_EQ(none.calls, (Calls{"write Skin.dll library"})) << n;
  }
}

TEST(DeploySkin, FailedWritesDoNotStopTheAttach) {
  RecordingPlatform platform;
  platform.writesSucceed = false;
  DeploySkinWith(2, FixedSkinTargets(), platform);
  EXPECT_EQ(platform.calls, (Calls{"write Skin.dll library", "write Ember.skn ember", "attach Skin.dll Ember.skn"}));
}

TEST(DeploySkin, FixedPathsAreTheSystemFolder) {
  const SkinTargets targets = FixedSkinTargets();
  const auto text = [](const NativeString& s) { return std::string(s.begin(), s.end()); };
  EXPECT_EQ(text(targets.library), "C:\\WINDOWS\\system\\Skin.dll");
  EXPECT_EQ(text(targets.frost), "C:\\WINDOWS\\system\\frost.skn");
  EXPECT_EQ(text(targets.ember), "C:\\WINDOWS\\system\\Ember.skn");
}

}  // namespace

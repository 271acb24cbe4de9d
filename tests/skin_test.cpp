// The deployment's order, skip-if-present rule, per-user fallback and the fixed folder's trust,
// against a recording platform.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "skin/deploy_skin.h"

namespace {

NativeString Native(const std::string& ascii) { return NativeString(ascii.begin(), ascii.end()); }

const NativeString kUserFolder = Native("C:\\Users\\u\\AppData\\Local\\KEVU\\");

class RecordingPlatform : public SkinDeployPlatform {
 public:
  std::set<NativeString> present;
  std::set<NativeString> unwritableFolders;  // writes into these fail
  std::set<NativeString> unusableLibraries;  // loading these fails
  NativeString userFolder = kUserFolder;
  NativeString windowsFolder = Native("C:\\Windows");  // as Windows spells it
  std::vector<std::string> calls;

  bool Exists(const NativeString& path) override {
    calls.push_back("exists " + Name(path));
    return present.count(path) != 0;
  }
  bool Write(const NativeString& path, SkinBlob blob) override {
    static const char* const kNames[] = {"library", "frost", "ember"};
    calls.push_back("write " + Name(path) + " " + kNames[static_cast<int>(blob)]);
    const bool ok = unwritableFolders.count(path.substr(0, path.find_last_of(NativeChar('\\')) + 1)) == 0;
    if (ok) present.insert(path);
    return ok;
  }
  bool Attach(const NativeString& library, const NativeString& skin) override {
    calls.push_back("attach " + Name(library) + " " + Name(skin));
    return present.count(library) != 0 && unusableLibraries.count(library) == 0;
  }
  NativeString UserFolder() override {
    calls.push_back("user folder");
    return userFolder;
  }
  NativeString WindowsFolder() override { return windowsFolder; }

 private:
  // The folder's last part and the name: "system\Skin.dll", "KEVU\Skin.dll".
  static std::string Name(const NativeString& path) {
    const size_t name = path.find_last_of(NativeChar('\\'));
    const size_t folder = path.find_last_of(NativeChar('\\'), name - 1) + 1;
    std::string text;
    for (NativeChar c : path.substr(folder)) text += static_cast<char>(c);
    return text;
  }
};

using Calls = std::vector<std::string>;

TEST(DeploySkin, FirstStartWritesLibraryThenEmberThenAttachesAndLaterStartsOnlyLook) {
  RecordingPlatform platform;
  DeploySkinWith(kEmberSkin, FixedSkinTargets(), platform);
  EXPECT_EQ(platform.calls, (Calls{"exists system\\Skin.dll", "write system\\Skin.dll library",
                                   "exists system\\Ember.skn", "write system\\Ember.skn ember",
                                   "attach system\\Skin.dll system\\Ember.skn"}));

  // Two existence checks and one load; no per-user folder is looked for.
  platform.calls.clear();
  DeploySkinWith(kEmberSkin, FixedSkinTargets(), platform);
  EXPECT_EQ(platform.calls,
            (Calls{"exists system\\Skin.dll", "exists system\\Ember.skn", "attach system\\Skin.dll system\\Ember.skn"}));
}

TEST(DeploySkin, WritesOnlyWhatIsAbsent) {
  const SkinTargets targets = FixedSkinTargets();
  RecordingPlatform platform;
  platform.present = {targets.library};
  DeploySkinWith(kEmberSkin, targets, platform);
  EXPECT_EQ(platform.calls, (Calls{"exists system\\Skin.dll", "exists system\\Ember.skn",
                                   "write system\\Ember.skn ember", "attach system\\Skin.dll system\\Ember.skn"}));

  RecordingPlatform skinOnly;
  skinOnly.present = {targets.ember};
  DeploySkinWith(kEmberSkin, targets, skinOnly);
  EXPECT_EQ(skinOnly.calls, (Calls{"exists system\\Skin.dll", "write system\\Skin.dll library",
                                   "exists system\\Ember.skn", "attach system\\Skin.dll system\\Ember.skn"}));
}

TEST(DeploySkin, SkinNumberPicksTheFileOrNone) {
  RecordingPlatform frost;
  DeploySkinWith(kFrostSkin, FixedSkinTargets(), frost);
  EXPECT_EQ(frost.calls, (Calls{"exists system\\Skin.dll", "write system\\Skin.dll library",
                                "exists system\\frost.skn", "write system\\frost.skn frost",
                                "attach system\\Skin.dll system\\frost.skn"}));

  for (int n : {0, 3, -1, -2147483647 - 1}) {
    RecordingPlatform none;
    DeploySkinWith(n, FixedSkinTargets(), none);
    EXPECT_EQ(none.calls, (Calls{"exists system\\Skin.dll", "write system\\Skin.dll library"})) << n;
  }
}

TEST(DeploySkin, UnwritableSystemFolderPutsBothFilesInTheUserFolder) {
  const SkinTargets fixed = FixedSkinTargets();
  RecordingPlatform platform;
  platform.unwritableFolders = {Native("C:\\WINDOWS\\system\\")};
  DeploySkinWith(kEmberSkin, fixed, platform);
  EXPECT_EQ(platform.calls, (Calls{"exists system\\Skin.dll", "write system\\Skin.dll library", "user folder",
                                   "exists KEVU\\Skin.dll", "write KEVU\\Skin.dll library",
                                   "exists system\\Ember.skn", "write system\\Ember.skn ember",
                                   "exists KEVU\\Ember.skn", "write KEVU\\Ember.skn ember",
                                   "attach KEVU\\Skin.dll KEVU\\Ember.skn"}));

  // Later starts use the per-user copies as they are.
  platform.calls.clear();
  DeploySkinWith(kEmberSkin, fixed, platform);
  EXPECT_EQ(platform.calls, (Calls{"exists system\\Skin.dll", "write system\\Skin.dll library", "user folder",
                                   "exists KEVU\\Skin.dll", "exists system\\Ember.skn",
                                   "write system\\Ember.skn ember", "exists KEVU\\Ember.skn",
                                   "attach KEVU\\Skin.dll KEVU\\Ember.skn"}));

  // Each file on its own: a library already in the system folder is used from there.
  RecordingPlatform mixed;
  mixed.present = {fixed.library};
  mixed.unwritableFolders = platform.unwritableFolders;
  DeploySkinWith(kEmberSkin, fixed, mixed);
  EXPECT_EQ(mixed.calls.back(), "attach system\\Skin.dll KEVU\\Ember.skn");
}

TEST(DeploySkin, UnusableSystemLibraryIsLeftAndTheUserCopyAttached) {
  const SkinTargets fixed = FixedSkinTargets();
  RecordingPlatform platform;
  platform.present = {fixed.library, fixed.ember};
  platform.unusableLibraries = {fixed.library};
  DeploySkinWith(kEmberSkin, fixed, platform);
  EXPECT_EQ(platform.calls, (Calls{"exists system\\Skin.dll", "exists system\\Ember.skn",
                                   "attach system\\Skin.dll system\\Ember.skn", "user folder",
                                   "exists KEVU\\Skin.dll", "write KEVU\\Skin.dll library",
                                   "attach KEVU\\Skin.dll system\\Ember.skn"}));

  // The per-user copy unusable too: two tries, then the program goes on without a skin.
  platform.calls.clear();
  platform.unusableLibraries.insert(kUserFolder + Native("Skin.dll"));
  DeploySkinWith(kEmberSkin, fixed, platform);
  EXPECT_EQ(platform.calls, (Calls{"exists system\\Skin.dll", "exists system\\Ember.skn",
                                   "attach system\\Skin.dll system\\Ember.skn", "user folder",
                                   "exists KEVU\\Skin.dll", "attach KEVU\\Skin.dll system\\Ember.skn"}));
}

TEST(DeploySkin, NeitherFolderWritableEndsInOneQuietAttach) {
  RecordingPlatform noUserFolder;
  noUserFolder.unwritableFolders = {Native("C:\\WINDOWS\\system\\")};
  noUserFolder.userFolder.clear();
  DeploySkinWith(kEmberSkin, FixedSkinTargets(), noUserFolder);
  EXPECT_EQ(noUserFolder.calls, (Calls{"exists system\\Skin.dll", "write system\\Skin.dll library", "user folder",
                                       "exists system\\Ember.skn", "write system\\Ember.skn ember",
                                       "attach system\\Skin.dll system\\Ember.skn"}));

  RecordingPlatform bothLocked;
  bothLocked.unwritableFolders = {Native("C:\\WINDOWS\\system\\"), kUserFolder};
  DeploySkinWith(kEmberSkin, FixedSkinTargets(), bothLocked);
  EXPECT_EQ(bothLocked.calls, (Calls{"exists system\\Skin.dll", "write system\\Skin.dll library", "user folder",
                                     "exists KEVU\\Skin.dll", "write KEVU\\Skin.dll library",
                                     "exists system\\Ember.skn", "write system\\Ember.skn ember",
                                     "exists KEVU\\Ember.skn", "write KEVU\\Ember.skn ember",
                                     "attach system\\Skin.dll system\\Ember.skn"}));
}

// Where C:\WINDOWS is not the system's Windows directory anyone may create C:\WINDOWS\system: no
// file there is looked at, written or loaded, even one that is present.
TEST(DeploySkin, FixedFolderIsUsedOnlyInTheSystemsWindowsDirectory) {
  const SkinTargets fixed = FixedSkinTargets();
  for (const char* windows : {"C:\\WINDOWS", "c:\\windows\\"}) {
    RecordingPlatform platform;
    platform.windowsFolder = Native(windows);
    DeploySkinWith(kEmberSkin, fixed, platform);
    EXPECT_EQ(platform.calls.back(), "attach system\\Skin.dll system\\Ember.skn") << windows;
  }
  for (const char* windows : {"D:\\Windows", "C:\\WINDOWS.OLD", "C:\\WINDOWS\\system", "C:\\WIN", "C:\\", ""}) {
    RecordingPlatform platform;
    platform.windowsFolder = Native(windows);
    platform.present = {fixed.library, fixed.ember};
    DeploySkinWith(kEmberSkin, fixed, platform);
    EXPECT_EQ(platform.calls, (Calls{"user folder", "exists KEVU\\Skin.dll", "write KEVU\\Skin.dll library",
                                     "exists KEVU\\Ember.skn", "write KEVU\\Ember.skn ember",
                                     "attach KEVU\\Skin.dll KEVU\\Ember.skn"}))
        << '"' << windows << '"';

    // Without per-user copies nothing is loaded at all.
    RecordingPlatform noCopies;
    noCopies.windowsFolder = platform.windowsFolder;
    noCopies.present = platform.present;
    noCopies.userFolder.clear();
    DeploySkinWith(kEmberSkin, fixed, noCopies);
    EXPECT_EQ(noCopies.calls, (Calls{"user folder"})) << '"' << windows << '"';
  }
}

TEST(DeploySkin, FixedPathsAreTheSystemFolder) {
  const SkinTargets targets = FixedSkinTargets();
  const auto text = [](const NativeString& s) { return std::string(s.begin(), s.end()); };
  EXPECT_EQ(text(targets.library), "C:\\WINDOWS\\system\\Skin.dll");
  EXPECT_EQ(text(targets.frost), "C:\\WINDOWS\\system\\frost.skn");
  EXPECT_EQ(text(targets.ember), "C:\\WINDOWS\\system\\Ember.skn");
}

}  // namespace

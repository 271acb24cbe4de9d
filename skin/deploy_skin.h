// Writes the embedded skin library and skin file out and attaches the skin: into the system
// folder, or into a per-user folder where the system folder cannot take them or is not the
// system's own.
#pragma once

#include "text/codepage.h"

// Skin 1 is frost.skn, skin 2 Ember.skn; any other number deploys the library only.
enum SkinNumber : int { kFrostSkin = 1, kEmberSkin = 2 };
// Writes only what is absent, never reports anything; where neither copy of the library can be
// loaded with its AttachSkinEx the program stays without a skin, silently.
void DeploySkin(int skinNumber);

enum class SkinBlob { Library, Frost, Ember };

struct SkinTargets {
  NativeString library;
  NativeString frost;
  NativeString ember;
};

// Skin.dll, frost.skn and Ember.skn in folder (which ends in the separator).
SkinTargets SkinTargetsIn(const NativeString& folder);
// The fixed paths under C:\WINDOWS\system.
SkinTargets FixedSkinTargets();
// True when the fixed targets' folder lies directly in windowsFolder, the system's Windows
// directory (letter case and a closing backslash aside); false when that is empty. Elsewhere
// (Windows on D:, or no C:\WINDOWS at all) any user may create the fixed folder.
bool FixedFolderIsTheSystems(const SkinTargets& fixed, const NativeString& windowsFolder);

// What DeploySkin needs from the platform; tests put fakes or a temp folder behind it.
class SkinDeployPlatform {
 public:
  virtual ~SkinDeployPlatform() = default;
  // True when a directory search for exactly this path finds an entry (a directory counts).
  virtual bool Exists(const NativeString& path) = 0;
  // Puts every byte of the blob under path without ever leaving a partial file there; true
  // when path then holds a file, also one that another start put there meanwhile.
  virtual bool Write(const NativeString& path, SkinBlob blob) = 0;
  // Calls AttachSkinEx(skinPath, "") of the library at libraryPath, loading it on first use;
  // false, with nothing called, when that file is no loadable library with that entry point.
  virtual bool Attach(const NativeString& libraryPath, const NativeString& skinPath) = 0;
  // The per-user folder for the copies the system folder cannot take, ending in the
  // separator and created when missing; empty when there is none. Only copies of the blobs
  // this executable carries are ever in it.
  virtual NativeString UserFolder() = 0;
  // The system's Windows directory; empty when it cannot be had.
  virtual NativeString WindowsFolder() = 0;
};

// Where the fixed folder is not the system's, nothing in it is looked at: anyone may have made it.
void DeploySkinWith(int skinNumber, const SkinTargets& fixed, SkinDeployPlatform& platform);

// Writes the embedded skin library and skin file into the system folder and attaches the skin.
#pragma once

#include "text/codepage.h"

// Skin 1 is frost.skn, skin 2 Ember.skn; any other number deploys the library only.
// Writes only what is absent, never reports anything; a library that cannot be loaded or has
// no AttachSkinEx leaves the program without a skin, silently.
void DeploySkin(int skinNumber);

enum class SkinBlob { Library, Frost, Ember };

struct SkinTargets {
  NativeString library;
  NativeString frost;
  NativeString ember;
};

// The fixed paths under C:\WINDOWS\system.
SkinTargets FixedSkinTargets();

// What DeploySkin needs from the platform; tests put fakes or a temp folder behind it.
class SkinDeployPlatform {
 public:
  virtual ~SkinDeployPlatform() = default;
  // True when a directory search for exactly this path finds an entry (a directory counts).
  virtual bool Exists(const NativeString& path) = 0;
  // Creates or truncates the file and writes every byte of the blob; false on any failure.
  virtual bool Write(const NativeString& path, SkinBlob blob) = 0;
  // Calls AttachSkinEx(skinPath, "") of the library at libraryPath, loading it on first use;
  // false when the library or its entry point is not there.
  virtual bool Attach(const NativeString& libraryPath, const NativeString& skinPath) = 0;
};

// The deployment itself: library first, then the skin file, then the attach call.
void DeploySkinWith(int skinNumber, const SkinTargets& targets, SkinDeployPlatform& platform);

// The Windows side of DeploySkin: the real file system, the blobs embedded in the executable,
// the per-user folder under %LOCALAPPDATA% and the library loaded from its absolute path.
#pragma once

#include <string_view>

#include "skin/deploy_skin.h"

// Resource names (type RCDATA) of the blobs in the executable; skin/CMakeLists.txt writes the
// skin_blobs.rc that names them.
inline constexpr const wchar_t* kSkinLibraryResource = L"KEVU_SKIN_LIBRARY";
inline constexpr const wchar_t* kSkinFrostResource = L"KEVU_SKIN_FROST";
inline constexpr const wchar_t* kSkinEmberResource = L"KEVU_SKIN_EMBER";

// The bytes of an embedded blob of the running executable; empty when it carries none.
std::string_view EmbeddedSkinBlob(SkinBlob blob);

class WinSkinDeployPlatform : public SkinDeployPlatform {
 public:
  bool Exists(const NativeString& path) override;
  // Writes under a temporary name in the same folder, flushes, then moves it to path without
  // replacing anything; the temporary file is gone afterwards, whatever happened.
  bool Write(const NativeString& path, SkinBlob blob) override;
  // Loads each library at its first use and keeps a usable one loaded for the life of the
  // process; one that cannot be used is unloaded again.
  bool Attach(const NativeString& libraryPath, const NativeString& skinPath) override;
  // %LOCALAPPDATA%\KEVU\<name>\ (from the shell's known folder), where <name> is 16 hex digits
  // of a hash of the blobs this executable writes: each build has a folder of its own.
  NativeString UserFolder() override;
  // GetSystemWindowsDirectoryW: the shared one, also in a Remote Desktop session.
  NativeString WindowsFolder() override;

 protected:
  // The bytes Write puts out; tests hand in others.
  virtual std::string_view Blob(SkinBlob blob) { return EmbeddedSkinBlob(blob); }

 private:
  NativeString boundPath_;
  void* attach_ = nullptr;
};

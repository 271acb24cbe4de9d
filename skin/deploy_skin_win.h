// The Windows side of DeploySkin: the real file system, the blobs embedded in the executable
// and the library loaded from its absolute path.
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
  bool Write(const NativeString& path, SkinBlob blob) override;
  // Loads the library at the first call and keeps it loaded for the life of the process.
  bool Attach(const NativeString& libraryPath, const NativeString& skinPath) override;

 private:
  void* library_ = nullptr;
  void* attach_ = nullptr;
};

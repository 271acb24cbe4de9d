#include "skin/deploy_skin_win.h"

#include <windows.h>

#include <string>

#include "win/find_handle.h"
#include "win/unique_handle.h"

namespace {

using AttachSkinExFn = int(__stdcall*)(const char*, const char*);

const wchar_t* ResourceName(SkinBlob blob) {
  switch (blob) {
    case SkinBlob::Library:
      return kSkinLibraryResource;
    case SkinBlob::Frost:
      return kSkinFrostResource;
    case SkinBlob::Ember:
      return kSkinEmberResource;
  }
  return kSkinLibraryResource;
}

}  // namespace

std::string_view EmbeddedSkinBlob(SkinBlob blob) {
  HMODULE self = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(self, ResourceName(blob), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
  if (found == nullptr) return {};
  HGLOBAL loaded = LoadResource(self, found);
  const DWORD size = SizeofResource(self, found);
  const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (bytes == nullptr || size == 0) return {};
  return {static_cast<const char*>(bytes), size};
}

bool WinSkinDeployPlatform::Exists(const NativeString& path) {
  WIN32_FIND_DATAW data;
  return UniqueFind(FindFirstFileW(path.c_str(), &data)).Valid();
}

bool WinSkinDeployPlatform::Write(const NativeString& path, SkinBlob blob) {
  const std::string_view bytes = EmbeddedSkinBlob(blob);
  if (bytes.empty()) return false;  // an empty file would pass as present on every later start
  UniqueHandle file(
      CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return false;
  size_t done = 0;
  bool ok = true;
  while (ok && done < bytes.size()) {
    DWORD wrote = 0;
    ok = WriteFile(file.Get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &wrote, nullptr) &&
         wrote > 0;
    done += wrote;
  }
  // Closing is where a full disk may still be reported, so its result counts.
  ok = CloseHandle(file.Release()) && ok;
  // A cut-off file would count as present forever; removing it lets the next start try again.
  if (!ok) DeleteFileW(path.c_str());
  return ok;
}

bool WinSkinDeployPlatform::Attach(const NativeString& libraryPath, const NativeString& skinPath) {
  if (attach_ == nullptr) {
    if (library_ == nullptr) library_ = LoadLibraryW(libraryPath.c_str());
    if (library_ == nullptr) return false;
    attach_ = reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library_), "AttachSkinEx"));
    if (attach_ == nullptr) return false;
  }
  std::string gbkPath;
  NativeToGbk(skinPath, gbkPath);
  reinterpret_cast<AttachSkinExFn>(attach_)(gbkPath.c_str(), "");
  return true;
}

void DeploySkin(int skinNumber) {
  static WinSkinDeployPlatform platform;
  DeploySkinWith(skinNumber, FixedSkinTargets(), platform);
}

#include "skin/deploy_skin_win.h"

#include <windows.h>
#include <shlobj.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "text/gbk_text.h"
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

void AppendDecimal(std::wstring& text, unsigned long value) {
  const std::string digits = UIntToText(value);
  text.append(digits.begin(), digits.end());
}

// A name beside path that no other start and no other write of this one uses. (std::to_wstring
// would bring the C library's wide formatting into the executable.)
std::wstring TemporaryNameFor(const std::wstring& path) {
  static std::atomic<unsigned> writes{0};
  std::wstring name = path;
  name += L'.';
  AppendDecimal(name, GetCurrentProcessId());
  name += L'-';
  AppendDecimal(name, ++writes);
  name += L".tmp";
  return name;
}

// Creates path and writes every byte to the disk; removes what it created when anything fails.
bool WriteDurably(const std::wstring& path, std::string_view bytes) {
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
  // The bytes reach the disk before the name does: a power cut never leaves a partial file
  // under the final name. Closing is where a full disk may still be reported.
  ok = ok && FlushFileBuffers(file.Get());
  ok = CloseHandle(file.Release()) && ok;
  if (!ok) DeleteFileW(path.c_str());
  return ok;
}

// FNV-1a, 64 bits, over each blob's size and bytes: the blobs as they are in the running
// executable (a release may sign Skin.dll before embedding it). Tells builds apart; it guards
// nothing against someone who can write the user's own folder anyway.
class BlobHash {
 public:
  void Add(std::string_view bytes) {
    const uint64_t size = bytes.size();
    for (int shift = 0; shift < 64; shift += 8) AddByte(static_cast<unsigned char>(size >> shift));
    for (char c : bytes) AddByte(static_cast<unsigned char>(c));
  }
  std::wstring Hex() const {
    std::wstring text(16, L'0');
    for (int digit = 0; digit < 16; ++digit) text[15 - digit] = L"0123456789abcdef"[(value_ >> (4 * digit)) & 15];
    return text;
  }

 private:
  void AddByte(unsigned char byte) { value_ = (value_ ^ byte) * 0x100000001B3ull; }
  uint64_t value_ = 0xCBF29CE484222325ull;
};

// Creates folder when missing; false when it is not there afterwards.
bool MakeFolder(const std::wstring& folder) {
  return CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

// The library's text for the path: GBK, or the short name where the path holds characters
// GBK has not (a user folder named in another script).
std::string GbkPathFor(const std::wstring& path) {
  std::string gbk;
  if (NativeToGbk(path, gbk)) return gbk;
  const DWORD length = GetShortPathNameW(path.c_str(), nullptr, 0);
  if (length == 0) return gbk;
  std::wstring shortPath(length, L'\0');
  const DWORD got = GetShortPathNameW(path.c_str(), shortPath.data(), length);
  if (got == 0 || got >= length) return gbk;
  shortPath.resize(got);
  std::string shortGbk;
  return NativeToGbk(shortPath, shortGbk) ? shortGbk : gbk;
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
  const std::string_view bytes = Blob(blob);
  if (bytes.empty()) return false;  // an empty file would pass as present on every later start
  const std::wstring temporary = TemporaryNameFor(path);
  if (!WriteDurably(temporary, bytes)) return false;
  if (MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH)) return true;
  const DWORD error = GetLastError();
  DeleteFileW(temporary.c_str());
  // Another start got its copy there first: that one is as whole as ours.
  return (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) && Exists(path);
}

bool WinSkinDeployPlatform::Attach(const NativeString& libraryPath, const NativeString& skinPath) {
  if (attach_ == nullptr || libraryPath != boundPath_) {
    // A file that is no image must fail the load quietly, not with the system's error box.
    DWORD mode = 0;
    const bool quiet = SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &mode) != FALSE;
    HMODULE library = LoadLibraryW(libraryPath.c_str());
    if (quiet) SetThreadErrorMode(mode, nullptr);
    if (library == nullptr) return false;
    void* entry = reinterpret_cast<void*>(GetProcAddress(library, "AttachSkinEx"));
    if (entry == nullptr) {
      FreeLibrary(library);
      return false;
    }
    attach_ = entry;
    boundPath_ = libraryPath;
  }
  reinterpret_cast<AttachSkinExFn>(attach_)(GbkPathFor(skinPath).c_str(), "");
  return true;
}

NativeString WinSkinDeployPlatform::UserFolder() {
  PWSTR base = nullptr;
  std::wstring folder;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &base)) && base != nullptr) {
    folder = std::wstring(base) + L"\\KEVU\\";
  }
  CoTaskMemFree(base);  // owed whether the call succeeded or not
  if (folder.empty() || !MakeFolder(folder)) return {};
  // Copies are written once and never replaced: one of another build stays in its own folder
  // and is never used here.
  BlobHash hash;
  for (SkinBlob blob : {SkinBlob::Library, SkinBlob::Frost, SkinBlob::Ember}) hash.Add(Blob(blob));
  folder += hash.Hex() + L'\\';
  return MakeFolder(folder) ? folder : NativeString{};
}

NativeString WinSkinDeployPlatform::WindowsFolder() {
  wchar_t folder[MAX_PATH];
  const UINT length = GetSystemWindowsDirectoryW(folder, MAX_PATH);
  return length > 0 && length < MAX_PATH ? NativeString(folder, length) : NativeString{};
}

void DeploySkin(int skinNumber) {
  static WinSkinDeployPlatform platform;
  DeploySkinWith(skinNumber, FixedSkinTargets(), platform);
}

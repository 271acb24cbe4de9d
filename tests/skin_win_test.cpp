// Under Wine: DeploySkin into a temp folder, the embedded blobs, and our Skin.dll on good and bad
// skin files, including the look it paints.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "skin/deploy_skin.h"
#include "skin/deploy_skin_win.h"
#include "skin/skin_format.h"
#include "win/dpi.h"

namespace {

using AttachFn = int(__stdcall*)(const char*, const char*);

std::wstring ExeDir() {
  wchar_t path[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring dir(path, n);
  return dir.substr(0, dir.find_last_of(L'\\') + 1);
}

// The build's own outputs sit in skin/ beside tests/.
std::wstring BuildOutput(const wchar_t* name) { return ExeDir() + L"..\\skin\\" + name; }

std::string ReadAll(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  if (!in) return "<missing>";
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteAll(const std::wstring& path, const std::string& bytes) {
  std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string Narrow(const std::wstring& s) {
  std::string out;
  NativeToGbk(s, out);
  return out;
}

bool IsDirectory(const std::wstring& path) {
  const DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// The names in a folder, sorted; "." and ".." left out.
std::vector<std::wstring> Listing(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((folder + L"*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    const std::wstring name = data.cFileName;
    if (name != L"." && name != L"..") names.push_back(name);
  } while (FindNextFileW(find, &data));
  FindClose(find);
  std::sort(names.begin(), names.end());
  return names;
}

class TempFolder {
 public:
  explicit TempFolder(const std::wstring& prefix = L"kevu-skin-") {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    // A fresh folder: Wine reuses process ids, and earlier runs leave theirs behind.
    static int counter = 0;
    do {
      path_ = std::wstring(base) + prefix + std::to_wstring(GetCurrentProcessId()) + L"-" +
              std::to_wstring(++counter) + L"\\";
    } while (!CreateDirectoryW(path_.c_str(), nullptr) && GetLastError() == ERROR_ALREADY_EXISTS);
  }
  const std::wstring& path() const { return path_; }
  // The folder holding this one: the Windows directory that makes it a trusted fixed folder.
  std::wstring Parent() const { return path_.substr(0, path_.find_last_of(L'\\', path_.size() - 2)); }
  SkinTargets Targets() const { return {path_ + L"Skin.dll", path_ + L"frost.skn", path_ + L"Ember.skn"}; }

 private:
  std::wstring path_;  // left behind on purpose: a loaded library cannot be removed
};

class RecordingPlatform : public WinSkinDeployPlatform {
 public:
  explicit RecordingPlatform(const std::wstring& windowsFolder) : windowsFolder_(windowsFolder) {}
  std::vector<std::wstring> writes;
  std::vector<std::wstring> attaches;
  int userFolderAsked = 0;
  bool Write(const NativeString& path, SkinBlob blob) override {
    writes.push_back(path);
    return WinSkinDeployPlatform::Write(path, blob);
  }
  bool Attach(const NativeString& library, const NativeString& skin) override {
    attaches.push_back(library + L"|" + skin);
    return true;  // the real binding is tested on its own below
  }
  NativeString UserFolder() override {
    ++userFolderAsked;
    return {};
  }
  NativeString WindowsFolder() override { return windowsFolder_; }

 private:
  std::wstring windowsFolder_;
};

// The real platform with a test folder for the per-user copies and the stand-in library, which
// records its calls, in place of Skin.dll.
class StandInPlatform : public WinSkinDeployPlatform {
 public:
  StandInPlatform(const std::wstring& userFolder, const std::wstring& windowsFolder)
      : userFolder_(userFolder), windowsFolder_(windowsFolder), standIn_(ReadAll(BuildOutput(L"standin_skin.dll"))) {}
  NativeString UserFolder() override { return userFolder_; }
  NativeString WindowsFolder() override { return windowsFolder_; }

 protected:
  std::string_view Blob(SkinBlob blob) override {
    return blob == SkinBlob::Library ? std::string_view(standIn_) : EmbeddedSkinBlob(blob);
  }

 private:
  std::wstring userFolder_;
  std::wstring windowsFolder_;
  std::string standIn_;
};

// The real platform carrying one blob with a byte changed: the blobs of another build.
class OtherBuildPlatform : public WinSkinDeployPlatform {
 public:
  explicit OtherBuildPlatform(SkinBlob changed) : changed_(changed), bytes_(EmbeddedSkinBlob(changed)) {
    if (!bytes_.empty()) bytes_.back() ^= 1;
  }

 protected:
  std::string_view Blob(SkinBlob blob) override { return blob == changed_ ? bytes_ : EmbeddedSkinBlob(blob); }

 private:
  SkinBlob changed_;
  std::string bytes_;
};

TEST(SkinBlobs, EmbeddedBlobsAreTheBuildOutputs) {
  EXPECT_EQ(std::string(EmbeddedSkinBlob(SkinBlob::Library)), ReadAll(BuildOutput(L"Skin.dll")));
  EXPECT_EQ(std::string(EmbeddedSkinBlob(SkinBlob::Frost)), ReadAll(BuildOutput(L"frost.skn")));
  EXPECT_EQ(std::string(EmbeddedSkinBlob(SkinBlob::Ember)), ReadAll(BuildOutput(L"Ember.skn")));
  EXPECT_GT(EmbeddedSkinBlob(SkinBlob::Library).size(), 1000u);
}

// The optional header of a PE32 file, or nullptr when bytes is not one.
const IMAGE_OPTIONAL_HEADER32* OptionalHeaderOf(const std::string& bytes) {
  if (bytes.size() < sizeof(IMAGE_DOS_HEADER)) return nullptr;
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(bytes.data());
  if (dos->e_magic != IMAGE_DOS_SIGNATURE || dos->e_lfanew <= 0 ||
      bytes.size() < static_cast<size_t>(dos->e_lfanew) + sizeof(IMAGE_NT_HEADERS32)) {
    return nullptr;
  }
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(bytes.data() + dos->e_lfanew);
  if (nt->Signature != IMAGE_NT_SIGNATURE || nt->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR32_MAGIC) return nullptr;
  return &nt->OptionalHeader;
}

// kevu.exe and the library it carries promise Windows 7, where GetTickCount64 and
// SetThreadErrorMode exist, and the manifest turns file virtualization off.
TEST(SkinBlobs, BinariesDeclareWindows7AndTheManifestRunsAsInvoker) {
  const std::wstring kevu = ExeDir() + L"..\\app\\kevu.exe";
  for (const std::wstring& path : {kevu, BuildOutput(L"Skin.dll")}) {
    const std::string bytes = ReadAll(path);
    const IMAGE_OPTIONAL_HEADER32* header = OptionalHeaderOf(bytes);
    ASSERT_NE(header, nullptr) << Narrow(path);
    EXPECT_EQ(header->MajorOperatingSystemVersion, 6) << Narrow(path);
    EXPECT_EQ(header->MinorOperatingSystemVersion, 1) << Narrow(path);
    EXPECT_EQ(header->MajorSubsystemVersion, 6) << Narrow(path);
    EXPECT_EQ(header->MinorSubsystemVersion, 1) << Narrow(path);
  }

  HMODULE image = LoadLibraryExW(kevu.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(image, nullptr);
  HRSRC found = FindResourceW(image, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24) /* RT_MANIFEST */);
  ASSERT_NE(found, nullptr);
  const char* text = static_cast<const char*>(LockResource(LoadResource(image, found)));
  ASSERT_NE(text, nullptr);
  const std::string manifest(text, SizeofResource(image, found));
  FreeLibrary(image);
  // Whitespace-free view: the attributes may wrap over lines.
  std::string flat;
  for (char c : manifest) {
    if (c != ' ' && c != '\n' && c != '\r' && c != '\t') flat += c;
  }
  const size_t controls = flat.find("name=\"Microsoft.Windows.Common-Controls\"");
  ASSERT_NE(controls, std::string::npos) << manifest;
  const std::string identity = flat.substr(controls, flat.find("/>", controls) - controls);
  EXPECT_NE(identity.find("version=\"6.0.0.0\""), std::string::npos) << identity;
  EXPECT_NE(identity.find("processorArchitecture=\"x86\""), std::string::npos) << identity;
  EXPECT_NE(flat.find("<dependentAssembly>"), std::string::npos);
  EXPECT_NE(flat.find("<supportedOSId=\"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}\"/>"), std::string::npos)
      << "Windows 7 is listed";
  EXPECT_NE(flat.find("<supportedOSId=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>"), std::string::npos)
      << "Windows 10 is listed";
  const size_t trust = flat.find("<trustInfoxmlns=\"urn:schemas-microsoft-com:asm.v3\">");
  const size_t level = flat.find("<requestedExecutionLevellevel=\"asInvoker\"uiAccess=\"false\"/>");
  ASSERT_NE(trust, std::string::npos) << manifest;
  EXPECT_NE(level, std::string::npos) << manifest;
  EXPECT_LT(trust, level);
  EXPECT_LT(level, flat.find("</trustInfo>"));
}

// The DPI settings of kevu.exe's manifest, read as the loader reads them (its activation context):
// the element names and their namespaces must be exactly right, or the system ignores them.
TEST(SkinBlobs, TheManifestDeclaresPerMonitorDpiAwareness) {
  const std::wstring kevu = ExeDir() + L"..\\app\\kevu.exe";
  ACTCTXW request{};
  request.cbSize = sizeof request;
  request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
  request.lpSource = kevu.c_str();
  request.lpResourceName = MAKEINTRESOURCEW(1);
  HANDLE context = CreateActCtxW(&request);
  ASSERT_NE(context, INVALID_HANDLE_VALUE);
  const auto setting = [&](const wchar_t* ns, const wchar_t* name) {
    wchar_t value[128] = L"";
    SIZE_T written = 0;
    if (!QueryActCtxSettingsW(0, context, ns, name, value, 128, &written)) return std::wstring(L"<absent>");
    return std::wstring(value);
  };
  EXPECT_EQ(setting(L"http://schemas.microsoft.com/SMI/2005/WindowsSettings", L"dpiAware"), L"true/pm");
  EXPECT_EQ(setting(L"http://schemas.microsoft.com/SMI/2016/WindowsSettings", L"dpiAwareness"),
            L"PerMonitorV2, PerMonitor");
  ReleaseActCtx(context);
}

TEST(DeploySkinWin, FirstRunWritesLibraryThenEmberAndTheSecondNothing) {
  TempFolder dir;
  const SkinTargets t = dir.Targets();
  RecordingPlatform first(dir.Parent());
  DeploySkinWith(kEmberSkin, t, first);
  EXPECT_EQ(first.writes, (std::vector<std::wstring>{t.library, t.ember}));
  EXPECT_EQ(first.attaches, (std::vector<std::wstring>{t.library + L"|" + t.ember}));
  EXPECT_EQ(ReadAll(t.library), ReadAll(BuildOutput(L"Skin.dll")));
  EXPECT_EQ(ReadAll(t.ember), ReadAll(BuildOutput(L"Ember.skn")));
  EXPECT_EQ(GetFileAttributesW(t.frost.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(Listing(dir.path()), (std::vector<std::wstring>{L"Ember.skn", L"Skin.dll"})) << "no temporary file";

  // Present files are never rewritten, even when they differ from the blobs.
  WriteAll(t.ember, "old skin");
  RecordingPlatform second(dir.Parent());
  DeploySkinWith(kEmberSkin, t, second);
  EXPECT_TRUE(second.writes.empty());
  EXPECT_EQ(second.attaches.size(), 1u);
  EXPECT_EQ(ReadAll(t.ember), "old skin");
  EXPECT_EQ(first.userFolderAsked + second.userFolderAsked, 0);
}

// A write never replaces what stands under the name, even when it appeared only after the
// check (another start), never leaves its temporary file, and fails whole or not at all.
TEST(DeploySkinWin, WritesAreWholeNeverReplaceAndLeaveNoTemporaryFile) {
  TempFolder dir;
  const SkinTargets t = dir.Targets();
  const std::string ember = ReadAll(BuildOutput(L"Ember.skn"));
  WinSkinDeployPlatform platform;
  WriteAll(t.library, "another start's copy");
  EXPECT_TRUE(platform.Write(t.library, SkinBlob::Library));
  EXPECT_EQ(ReadAll(t.library), "another start's copy");
  EXPECT_EQ(Listing(dir.path()), (std::vector<std::wstring>{L"Skin.dll"}));

  EXPECT_FALSE(platform.Write(dir.path() + L"no\\such\\Ember.skn", SkinBlob::Ember));
  EXPECT_EQ(Listing(dir.path()), (std::vector<std::wstring>{L"Skin.dll"}));

  // Starts racing for the same file: each finds a whole file there, one file is left.
  for (int round = 0; round < 5; ++round) {
    TempFolder race;
    const std::wstring target = race.path() + L"Ember.skn";
    std::atomic<bool> go{false};
    std::atomic<int> succeeded{0};
    std::vector<std::thread> starts;
    for (int i = 0; i < 6; ++i) {
      starts.emplace_back([&] {
        while (!go) std::this_thread::yield();
        WinSkinDeployPlatform own;
        if (own.Write(target, SkinBlob::Ember) && ReadAll(target) == ember) ++succeeded;
      });
    }
    go = true;
    for (std::thread& start : starts) start.join();
    EXPECT_EQ(succeeded, 6) << round;
    EXPECT_EQ(ReadAll(target), ember) << round;
    EXPECT_EQ(Listing(race.path()), (std::vector<std::wstring>{L"Ember.skn"})) << round;
  }
}

// A system folder that takes nothing: both files go to the per-user folder and are used from
// there, also when its path holds characters GBK has not (the library is handed a short name).
TEST(DeploySkinWin, UnwritableFixedFolderPutsBothFilesInTheUserFolder) {
  TempFolder dir;
  TempFolder user(L"kevu-\u0E01-");
  const std::wstring gone = dir.path() + L"no\\such\\";
  const SkinTargets fixed{gone + L"Skin.dll", gone + L"frost.skn", gone + L"Ember.skn"};
  StandInPlatform platform(user.path(), dir.path() + L"no");
  DeploySkinWith(kEmberSkin, fixed, platform);
  EXPECT_TRUE(Listing(dir.path()).empty());
  const SkinTargets copies = user.Targets();
  EXPECT_EQ(ReadAll(copies.library), ReadAll(BuildOutput(L"standin_skin.dll")));
  EXPECT_EQ(ReadAll(copies.ember), ReadAll(BuildOutput(L"Ember.skn")));
  EXPECT_EQ(Listing(user.path()), (std::vector<std::wstring>{L"Ember.skn", L"Skin.dll", L"Skin.dll.args"}));
  std::string args = ReadAll(copies.library + L".args");
  ASSERT_GT(args.size(), 2u);
  ASSERT_EQ(args.substr(args.size() - 2), "|\n");
  args.resize(args.size() - 2);
  wchar_t longPath[MAX_PATH];
  ASSERT_NE(GetLongPathNameW(GbkToWide(args).c_str(), longPath, MAX_PATH), 0u) << args;
  EXPECT_EQ(Narrow(longPath), Narrow(copies.ember)) << args;

  // The real per-user folder: under the user's local application data, made when missing, and
  // named by the blobs it holds copies of, so a build that carries other bytes never uses them.
  const std::wstring real = WinSkinDeployPlatform().UserFolder();
  EXPECT_TRUE(IsDirectory(real)) << Narrow(real);
  ASSERT_GT(real.size(), 24u);
  const std::wstring kevu = real.substr(0, real.size() - 17);
  EXPECT_EQ(kevu.substr(kevu.size() - 6), L"\\KEVU\\") << Narrow(real);
  EXPECT_EQ(real.find_first_not_of(L"0123456789abcdef", kevu.size()), real.size() - 1) << Narrow(real);
  EXPECT_EQ(WinSkinDeployPlatform().UserFolder(), real);
  for (SkinBlob changed : {SkinBlob::Library, SkinBlob::Frost, SkinBlob::Ember}) {
    const std::wstring other = OtherBuildPlatform(changed).UserFolder();
    EXPECT_NE(other, real) << static_cast<int>(changed);
    EXPECT_EQ(other.substr(0, kevu.size()), kevu) << Narrow(other);
    RemoveDirectoryW(other.c_str());
  }
}

// A file at the library's fixed path that cannot be used is left exactly as it is; the
// per-user copy is attached with the fixed skin file.
TEST(DeploySkinWin, UnusableFixedLibraryIsLeftAsItIsAndTheUserCopyAttached) {
  wchar_t system[MAX_PATH];
  GetSystemDirectoryW(system, MAX_PATH);
  const std::string real = ReadAll(BuildOutput(L"Skin.dll"));
  const struct {
    const char* what;
    std::string bytes;  // empty: a directory
  } cases[] = {
      {"cut-off Skin.dll", real.substr(0, 4096)},
      {"DLL without AttachSkinEx", ReadAll(std::wstring(system) + L"\\version.dll")},
      {"directory", ""},
  };
  for (const auto& c : cases) {
    TempFolder dir;
    TempFolder user;
    const SkinTargets fixed = dir.Targets();
    if (c.bytes.empty()) {
      ASSERT_TRUE(CreateDirectoryW(fixed.library.c_str(), nullptr));
    } else {
      WriteAll(fixed.library, c.bytes);
    }
    StandInPlatform platform(user.path(), dir.Parent());
    DeploySkinWith(kEmberSkin, fixed, platform);
    if (c.bytes.empty()) {
      EXPECT_TRUE(IsDirectory(fixed.library)) << c.what;
    } else {
      EXPECT_EQ(ReadAll(fixed.library), c.bytes) << c.what;
    }
    EXPECT_EQ(ReadAll(fixed.ember), ReadAll(BuildOutput(L"Ember.skn"))) << c.what;
    EXPECT_EQ(Listing(dir.path()), (std::vector<std::wstring>{L"Ember.skn", L"Skin.dll"})) << c.what;
    EXPECT_EQ(ReadAll(user.Targets().library + L".args"), Narrow(fixed.ember) + "|\n") << c.what;
    EXPECT_EQ(Listing(user.path()), (std::vector<std::wstring>{L"Skin.dll", L"Skin.dll.args"})) << c.what;
    EXPECT_EQ(GetModuleHandleW(fixed.library.c_str()), nullptr) << c.what << ": not left loaded";
  }
}

TEST(DeploySkinWin, ForeignLibraryIsLoadedUntouchedAndGetsTheSkinPath) {
  TempFolder dir;
  const SkinTargets t = dir.Targets();
  const std::string standIn = ReadAll(BuildOutput(L"standin_skin.dll"));
  ASSERT_NE(standIn, "<missing>");
  WriteAll(t.library, standIn);
  TempFolder user;
  StandInPlatform platform(user.path(), dir.Parent());
  DeploySkinWith(kEmberSkin, t, platform);
  EXPECT_TRUE(Listing(user.path()).empty());
  EXPECT_EQ(ReadAll(t.library), standIn);
  EXPECT_EQ(ReadAll(t.library + L".args"), Narrow(t.ember) + "|\n");
  EXPECT_NE(GetModuleHandleW(t.library.c_str()), nullptr) << "the library stays loaded";

  DeploySkinWith(kEmberSkin, t, platform);
  EXPECT_EQ(ReadAll(t.library + L".args"), Narrow(t.ember) + "|\n" + Narrow(t.ember) + "|\n");
}

class SkinLibrary : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    module_ = LoadLibraryW(BuildOutput(L"Skin.dll").c_str());
    if (module_ != nullptr) attach_ = reinterpret_cast<AttachFn>(GetProcAddress(module_, "AttachSkinEx"));
  }
  void SetUp() override { ASSERT_NE(attach_, nullptr); }
  static int Attach(const std::wstring& path) { return attach_(Narrow(path).c_str(), ""); }

  static HMODULE module_;
  static AttachFn attach_;
};
HMODULE SkinLibrary::module_ = nullptr;
AttachFn SkinLibrary::attach_ = nullptr;

TEST_F(SkinLibrary, AttachesGoodFilesAndRefusesBadOnes) {
  TempFolder dir;
  const std::string ember = ReadAll(BuildOutput(L"Ember.skn"));
  EXPECT_EQ(Attach(BuildOutput(L"Ember.skn")), 0);
  EXPECT_EQ(Attach(BuildOutput(L"frost.skn")), 0);

  EXPECT_EQ(Attach(dir.path() + L"absent.skn"), static_cast<int>(SkinStatus::FileMissing));
  EXPECT_EQ(attach_(nullptr, nullptr), static_cast<int>(SkinStatus::FileMissing));
  EXPECT_EQ(attach_("", ""), static_cast<int>(SkinStatus::FileMissing));
  EXPECT_EQ(Attach(dir.path().substr(0, dir.path().size() - 1)), static_cast<int>(SkinStatus::FileUnreadable));

  WriteAll(dir.path() + L"cut.skn", ember.substr(0, ember.size() - 5));
  EXPECT_EQ(Attach(dir.path() + L"cut.skn"), static_cast<int>(SkinStatus::Corrupt));
  WriteAll(dir.path() + L"text.skn", "window.face = #FFFFFF\n");
  EXPECT_EQ(Attach(dir.path() + L"text.skn"), static_cast<int>(SkinStatus::NotASkin));
  std::string later = ember;
  later[4] = 9;
  WriteAll(dir.path() + L"later.skn", later);
  EXPECT_EQ(Attach(dir.path() + L"later.skn"), static_cast<int>(SkinStatus::BadVersion));
  WriteAll(dir.path() + L"huge.skn", std::string(kSkinMaxFileSize + 1, 'K'));
  EXPECT_EQ(Attach(dir.path() + L"huge.skn"), static_cast<int>(SkinStatus::Corrupt));
}

// --- the look: a window made after the attach is painted in the skin's colours ------------------

SkinLook LookOf(const wchar_t* file) {
  const std::string bytes = ReadAll(BuildOutput(file));
  SkinLook look;
  ParseSkin(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), look);
  return look;
}

void Pump() {
  MSG msg;
  for (int round = 0; round < 5; ++round) {
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    Sleep(20);
  }
}

// The non-client mouse message the frame's own procedure, behind the skin's subclass, was handed
// last, and what countCaption gave at that moment.
struct DefaultHandlerSaw {
  UINT msg = 0;
  WPARAM hit = 0;
  int captionPixels = -1;
  std::function<int()> countCaption;
};
DefaultHandlerSaw g_defaultSaw;

LRESULT CALLBACK RecordingFrameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCMOUSEMOVE || msg == WM_NCMOUSELEAVE || msg == WM_NCLBUTTONUP) {
    g_defaultSaw.msg = msg;
    g_defaultSaw.hit = wParam;
    g_defaultSaw.captionPixels = g_defaultSaw.countCaption ? g_defaultSaw.countCaption() : -1;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

struct TestWindow {
  HWND frame = nullptr;
  HWND button = nullptr;
  HWND list = nullptr;

  TestWindow() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = RecordingFrameProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_3DFACE + 1);
    wc.lpszClassName = L"KevuSkinLookTest";
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    RegisterClassW(&wc);
    frame = CreateWindowExW(0, wc.lpszClassName, L"Look", WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 10, 10, 400, 300,
                            nullptr, nullptr, wc.hInstance, nullptr);
    if (frame == nullptr) return;
    button = CreateWindowExW(0, L"BUTTON", L"OK", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 20, 200, 100, 24, frame,
                             nullptr, wc.hInstance, nullptr);
    list = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT, 20, 20, 300, 150,
                           frame, nullptr, wc.hInstance, nullptr);
    ListView_SetExtendedListViewStyle(list, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = 120;
    column.pszText = const_cast<wchar_t*>(L"Name");
    ListView_InsertColumn(list, 0, &column);
    for (int row = 0; row < 2; ++row) {
      LVITEMW item{};
      item.mask = LVIF_TEXT;
      item.iItem = row;
      item.pszText = const_cast<wchar_t*>(L"x");
      ListView_InsertItem(list, &item);
    }
    SetForegroundWindow(frame);
    Pump();
  }
  ~TestWindow() {
    if (frame != nullptr) DestroyWindow(frame);
  }

  COLORREF ClientPixel(HWND hwnd, int x, int y) const {
    RedrawWindow(frame, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    return PaintedPixel(hwnd, x, y);
  }
  COLORREF PaintedPixel(HWND hwnd, int x, int y) const {
    HDC dc = GetDC(hwnd);
    const COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(hwnd, dc);
    return c;
  }
  // The frame's window rectangle and client origin on the screen; returns the border's width.
  int FrameBorder(RECT& window, POINT& origin) const {
    GetWindowRect(frame, &window);
    origin = POINT{0, 0};
    ClientToScreen(frame, &origin);
    return origin.x - window.left;
  }
  COLORREF CaptionPixel(int fromLeft) const {
    RECT window;
    POINT origin;
    const int border = FrameBorder(window, origin);
    HDC dc = GetWindowDC(frame);
    const COLORREF c = GetPixel(dc, border + fromLeft, border + 2);
    ReleaseDC(frame, dc);
    return c;
  }
  // How many pixels of the caption have this colour.
  int CaptionPixelsOf(COLORREF colour) const {
    RECT window;
    POINT origin;
    const int border = FrameBorder(window, origin);
    HDC dc = GetWindowDC(frame);
    int count = 0;
    for (int y = border; y < origin.y - window.top; ++y) {
      for (int x = border; x < window.right - window.left - border; ++x) count += GetPixel(dc, x, y) == colour;
    }
    ReleaseDC(frame, dc);
    return count;
  }
  // A screen point where the frame's hit test answers HTCLOSE, along the caption's middle.
  bool ClosePoint(POINT& at) const {
    RECT window;
    GetWindowRect(frame, &window);
    POINT origin{0, 0};
    ClientToScreen(frame, &origin);
    const int y = (window.top + origin.y) / 2;
    for (int x = window.right - 1; x > window.left; --x) {
      if (SendMessageW(frame, WM_NCHITTEST, 0, MAKELPARAM(x, y)) == HTCLOSE) {
        at = POINT{x - 3, y};  // a little inside the box
        return SendMessageW(frame, WM_NCHITTEST, 0, MAKELPARAM(at.x, at.y)) == HTCLOSE;
      }
    }
    return false;
  }
};

// Windows 8.1's start-up DPI: GetDpiForMonitor, found at run time in the system folder's
// shcore.dll, answers as GetDpiForWindow does where both exist.
TEST(Dpi, TheMonitorsDpiAnswersAsTheWindowsDpi) {
  TestWindow window;
  ASSERT_NE(window.frame, nullptr);
  const UINT monitorDpi = MonitorDpiOf(window.frame);
  EXPECT_GE(monitorDpi, kBaseDpi) << "shcore.dll or GetDpiForMonitor not found, or the call failed";
  EXPECT_EQ(monitorDpi, WindowDpiOf(window.frame));
}

TEST_F(SkinLibrary, WindowsShowTheSkinAndASecondAttachReplacesIt) {
  ASSERT_EQ(Attach(BuildOutput(L"Ember.skn")), 0);
  TestWindow window;
  if (window.frame == nullptr || window.ClientPixel(window.frame, 2, 2) == CLR_INVALID) {
    GTEST_SKIP() << "no display to paint on";
  }
  const SkinLook ember = LookOf(L"Ember.skn");
  EXPECT_EQ(window.ClientPixel(window.frame, 2, 2), ember.Get(SkinKey::WindowFace));
  EXPECT_EQ(window.ClientPixel(window.button, 50, 2), ember.Get(SkinKey::ButtonFace));
  EXPECT_EQ(window.ClientPixel(window.list, 200, 100), ember.Get(SkinKey::ListBack));
  // Grid lines, over rows and below them, only in the skin's colour: none of the system's left.
  int gridPixels = 0;
  const COLORREF systemGrid = GetSysColor(COLOR_3DFACE);
  window.ClientPixel(window.list, 0, 0);
  for (int y = 30; y < 140; ++y) {
    const COLORREF below = window.PaintedPixel(window.list, 60, y);
    const COLORREF atColumnEdge = window.PaintedPixel(window.list, 119, y);
    EXPECT_NE(below, systemGrid) << y;
    EXPECT_NE(atColumnEdge, systemGrid) << y;
    gridPixels += (below == ember.Get(SkinKey::ListGrid)) + (atColumnEdge == ember.Get(SkinKey::ListGrid));
  }
  EXPECT_GT(gridPixels, 110 + 4);
  // CLR_INVALID: Wine left the frame to a window manager, so there is no caption of ours to see.
  const COLORREF caption = window.CaptionPixel(1);
  EXPECT_TRUE(caption == CLR_INVALID || caption == ember.Get(SkinKey::CaptionActiveLeft) ||
              caption == ember.Get(SkinKey::CaptionInactiveLeft))
      << std::hex << caption;

  ASSERT_EQ(Attach(BuildOutput(L"frost.skn")), 0);
  const SkinLook frost = LookOf(L"frost.skn");
  EXPECT_EQ(window.ClientPixel(window.frame, 2, 2), frost.Get(SkinKey::WindowFace));
  EXPECT_EQ(window.ClientPixel(window.button, 50, 2), frost.Get(SkinKey::ButtonFace));
  EXPECT_EQ(window.ClientPixel(window.list, 200, 100), frost.Get(SkinKey::ListBack));

  // A bad file leaves the look as it was.
  TempFolder dir;
  WriteAll(dir.path() + L"bad.skn", "KVSK garbage");
  EXPECT_NE(Attach(dir.path() + L"bad.skn"), 0);
  EXPECT_EQ(window.ClientPixel(window.frame, 2, 2), frost.Get(SkinKey::WindowFace));
}

// The caption buttons we draw answer the hit test, light up under the mouse, show pressed while
// held, and act only when released over themselves. The frame's own (default) handling comes
// first and never hears of our buttons, so where visual styles hot-track the system's buttons it
// has none to draw over ours; our caption is painted after it.
TEST_F(SkinLibrary, CaptionButtonShowsHoverAndPressedAndClosesOnlyWhenReleasedOverIt) {
  ASSERT_EQ(Attach(BuildOutput(L"Ember.skn")), 0);
  TestWindow window;
  if (window.frame == nullptr || window.CaptionPixel(1) == CLR_INVALID) GTEST_SKIP() << "no caption of ours here";
  const SkinLook ember = LookOf(L"Ember.skn");
  const COLORREF hot = ember.Get(SkinKey::ButtonHot);
  const COLORREF pressed = ember.Get(SkinKey::ButtonPressed);
  POINT close;
  ASSERT_TRUE(window.ClosePoint(close));
  const LPARAM at = MAKELPARAM(close.x, close.y);
  const int hotBefore = window.CaptionPixelsOf(hot);
  const int pressedBefore = window.CaptionPixelsOf(pressed);
  g_defaultSaw = {};
  g_defaultSaw.countCaption = [&] { return window.CaptionPixelsOf(hot); };

  SendMessageW(window.frame, WM_NCMOUSEMOVE, HTCLOSE, at);
  EXPECT_EQ(g_defaultSaw.msg, static_cast<UINT>(WM_NCMOUSEMOVE));
  EXPECT_EQ(g_defaultSaw.hit, static_cast<WPARAM>(HTCAPTION)) << "the default handler never hears of our button";
  EXPECT_EQ(g_defaultSaw.captionPixels, hotBefore) << "the default handler before our hover face";
  const int hotNow = window.CaptionPixelsOf(hot);
  EXPECT_GT(hotNow, hotBefore + 20) << "hover face";
  SendMessageW(window.frame, WM_NCMOUSELEAVE, 0, 0);
  EXPECT_EQ(g_defaultSaw.msg, static_cast<UINT>(WM_NCMOUSELEAVE));
  EXPECT_EQ(g_defaultSaw.captionPixels, hotNow) << "the default handler before our caption";
  EXPECT_EQ(window.CaptionPixelsOf(hot), hotBefore);
  g_defaultSaw = {};
  SendMessageW(window.frame, WM_NCLBUTTONUP, HTCLOSE, at);
  EXPECT_EQ(g_defaultSaw.msg, static_cast<UINT>(WM_NCLBUTTONUP));
  EXPECT_EQ(g_defaultSaw.hit, static_cast<WPARAM>(HTCAPTION));
  EXPECT_TRUE(IsWindow(window.frame));

  SendMessageW(window.frame, WM_NCLBUTTONDOWN, HTCLOSE, at);
  EXPECT_GT(window.CaptionPixelsOf(pressed), pressedBefore + 20) << "pressed face";
  EXPECT_EQ(GetCapture(), window.frame);
  SendMessageW(window.frame, WM_LBUTTONUP, 0, MAKELPARAM(20, 20));  // released over the client area
  EXPECT_TRUE(IsWindow(window.frame));
  EXPECT_EQ(window.CaptionPixelsOf(pressed), pressedBefore);
  EXPECT_EQ(GetCapture(), nullptr);

  SendMessageW(window.frame, WM_NCLBUTTONDOWN, HTCLOSE, at);
  POINT client = close;
  ScreenToClient(window.frame, &client);
  SendMessageW(window.frame, WM_LBUTTONUP, 0, MAKELPARAM(client.x, client.y));
  EXPECT_FALSE(IsWindow(window.frame)) << "released over the close button";
}

}  // namespace

// The baseline of the Wine benchmark: a bare recursive Win32 enumeration of a drive, counting
// files and adding their sizes, with nothing else done per entry; or, with --readers N, the
// program's own scan of it (classifier and rows, no window) with N reader threads, which is how
// the pool size of the Windows build is chosen.
//   bench_enum.exe D:\              prints "BENCH enum_ms=... files=..."
//   bench_enum.exe D:\ --readers N  prints "BENCH engine_ms=... readers=N rows=..."
//   bench_enum.exe D:\ --readers auto  the same with the pool kevu.exe uses on that drive
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "app/platform_context.h"
#include "scan/keywords.h"
#include "scan/read_ahead.h"
#include "scan/scan_context.h"
#include "scan/scan_worker.h"
#include "state/control_state.h"

namespace {

void Enumerate(std::wstring& dir, unsigned long long& files, unsigned long long& bytes) {
  const size_t length = dir.size();
  dir += L'*';
  WIN32_FIND_DATAW entry;
  HANDLE find = FindFirstFileExW(dir.c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch, nullptr,
                                 FIND_FIRST_EX_LARGE_FETCH);
  dir.resize(length);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const wchar_t* name = entry.cFileName;
    if (name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0))) continue;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      dir += name;
      dir += L'\\';
      Enumerate(dir, files, bytes);
      dir.resize(length);
    } else {
      ++files;
      bytes += (static_cast<unsigned long long>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
    }
  } while (FindNextFileW(find, &entry));
  FindClose(find);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_enum ROOT\\\n");
    return 2;
  }
  std::wstring root = argv[1];
  if (root.back() != L'\\') root += L'\\';
  const bool engine = argc >= 4 && std::wcscmp(argv[2], L"--readers") == 0;
  ControlState state;
  ScanContext ctx = PlatformScanContext(state);
  if (engine) {
    LoadKeywordLists();
    NativeToGbk(root, ctx.ScanRoot);
    ctx.HealthScore.store(100);
  }
  const bool automatic = engine && std::wcscmp(argv[3], L"auto") == 0;
  const size_t readers = !engine ? 0 : automatic ? ReadAheadReadersFor(ctx.seekPenalty, root) : static_cast<size_t>(std::wcstoul(argv[3], nullptr, 10));
  LARGE_INTEGER freq, start, end;
  QueryPerformanceFrequency(&freq);
  QueryPerformanceCounter(&start);
  unsigned long long files = 0, bytes = 0;
  if (engine) {
    WalkScanRoot(ctx, root, readers);
  } else {
    Enumerate(root, files, bytes);
  }
  QueryPerformanceCounter(&end);
  const double ms = 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(freq.QuadPart);
  if (engine) {
    std::printf("BENCH engine_ms=%.1f readers=%zu rows=%d\n", ms, readers, state.RowCount());
  } else {
    std::printf("BENCH enum_ms=%.1f files=%llu bytes=%llu\n", ms, files, bytes);
  }
  return 0;
}

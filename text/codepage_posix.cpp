// POSIX side of the code-page conversions: native names are UTF-8 bytes, converted with iconv.
// No transliteration is asked for, so nothing turns into a look-alike.
#include "text/codepage.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>

namespace {

constexpr char kReplacementUtf8[] = "\xEF\xBF\xBD";

class IconvHandle {
 public:
  IconvHandle(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~IconvHandle() {
    if (valid()) iconv_close(cd_);
  }
  IconvHandle(const IconvHandle&) = delete;
  IconvHandle& operator=(const IconvHandle&) = delete;

  bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

// One descriptor per thread and direction: iconv state is not shareable.
iconv_t ToGbk() {
  thread_local IconvHandle handle("GBK", "UTF-8");
  return handle.valid() ? handle.get() : nullptr;
}

iconv_t FromGbk() {
  thread_local IconvHandle handle("UTF-8", "GBK");
  return handle.valid() ? handle.get() : nullptr;
}

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Length of the well-formed UTF-8 sequence at text[i], or 0 when it is ill-formed
// (overlong forms, surrogates and values past U+10FFFF included).
size_t Utf8SequenceLength(std::string_view text, size_t i) {
  const auto at = [&](size_t k) { return static_cast<unsigned char>(text[i + k]); };
  const size_t avail = text.size() - i;
  const unsigned char c = at(0);
  if (c < 0x80) return 1;
  if (c >= 0xC2 && c <= 0xDF) return avail >= 2 && IsContinuation(at(1)) ? 2 : 0;
  if (c >= 0xE0 && c <= 0xEF) {
    if (avail < 3 || !IsContinuation(at(1)) || !IsContinuation(at(2))) return 0;
    if (c == 0xE0 && at(1) < 0xA0) return 0;
    if (c == 0xED && at(1) > 0x9F) return 0;
    return 3;
  }
  if (c >= 0xF0 && c <= 0xF4) {
    if (avail < 4 || !IsContinuation(at(1)) || !IsContinuation(at(2)) || !IsContinuation(at(3))) return 0;
    if (c == 0xF0 && at(1) < 0x90) return 0;
    if (c == 0xF4 && at(1) > 0x8F) return 0;
    return 4;
  }
  return 0;
}

// Runs iconv over input, appending to out. At a sequence it cannot convert, replace(rest)
// appends a stand-in to out and gives how many bytes of rest to skip (at least one is skipped).
template <typename Replace>
void IconvAppend(iconv_t cd, std::string_view input, std::string& out, Replace replace) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char* in = const_cast<char*>(input.data());
  size_t inLeft = input.size();
  char buffer[1024];
  while (inLeft > 0) {
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    const size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    out.append(buffer, static_cast<size_t>(outPtr - buffer));
    if (rc != static_cast<size_t>(-1) || errno == E2BIG) continue;
    const size_t skip = std::min(inLeft, std::max<size_t>(1, replace(std::string_view(in, inLeft))));
    in += skip;
    inLeft -= skip;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
}

// Converts a well-formed UTF-8 run; characters GBK lacks become '?'. False when that happened.
bool ConvertValidRun(iconv_t cd, std::string_view run, std::string& out) {
  bool exact = true;
  // EILSEQ on well-formed input: the character has no GBK form.
  IconvAppend(cd, run, out, [&](std::string_view rest) {
    out += '?';
    exact = false;
    return Utf8SequenceLength(rest, 0);
  });
  return exact;
}

}  // namespace

bool NativeToGbk(NativeStringView native, std::string& gbk) {
  gbk.clear();
  gbk.reserve(native.size());
  iconv_t cd = ToGbk();
  bool exact = true;
  size_t i = 0;
  while (i < native.size()) {
    size_t end = i;
    bool ascii = true;
    while (end < native.size()) {
      const size_t length = Utf8SequenceLength(native, end);
      if (length == 0) break;
      ascii = ascii && length == 1;
      end += length;
    }
    if (end > i) {
      const std::string_view run = native.substr(i, end - i);
      if (ascii) {
        gbk += run;
      } else if (cd != nullptr) {
        exact = ConvertValidRun(cd, run, gbk) && exact;
      } else {
        for (size_t k = 0; k < run.size(); k += Utf8SequenceLength(run, k)) {
          const bool single = Utf8SequenceLength(run, k) == 1;
          gbk += single ? run[k] : '?';
          exact = exact && single;
        }
      }
      i = end;
    }
    if (i < native.size()) {
      // An ill-formed byte: one '?' for it, then go on with the next byte.
      gbk += '?';
      exact = false;
      ++i;
    }
  }
  return exact;
}

NativeString GbkToNative(std::string_view gbk) {
  std::string out;
  out.reserve(gbk.size() * 3 / 2 + 4);
  iconv_t cd = FromGbk();
  if (cd == nullptr) {
    for (char c : gbk) {
      if (static_cast<unsigned char>(c) < 0x80) out += c; else out += kReplacementUtf8;
    }
    return out;
  }
  // Invalid or cut-off sequence: replace one byte so that an ASCII byte after a bad lead byte survives.
  IconvAppend(cd, gbk, out, [&](std::string_view) {
    out += kReplacementUtf8;
    return size_t{1};
  });
  return out;
}

std::string Utf8ToGbk(std::string_view utf8) {
  std::string gbk;
  return NativeToGbk(utf8, gbk) ? gbk : std::string();
}

std::string GbkToUtf8(std::string_view gbk) { return GbkToNative(gbk); }

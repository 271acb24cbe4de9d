// POSIX side of the code-page conversions: native names are UTF-8 bytes, converted with iconv
// (to GBK through a table iconv fills once). No transliteration: nothing becomes a look-alike.
#include "text/codepage.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <vector>

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

// One descriptor per thread: iconv state is not shareable.
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

// The GBK form of every character of the Basic Multilingual Plane, asked of iconv once: names
// are converted a million times a scan, and one iconv call per name costs more than the rest
// of the name's handling. 0: no GBK form; below 0x100: one byte; else lead and trail byte.
class UnicodeToGbkTable {
 public:
  UnicodeToGbkTable() : forms_(0x10000, 0) {
    IconvHandle handle("GBK", "UTF-8");
    if (!handle.valid()) return;
    iconv_t cd = handle.get();
    for (uint32_t cp = 0x80; cp < 0x10000; ++cp) {
      if (cp >= 0xD800 && cp <= 0xDFFF) continue;  // surrogates are no characters
      char in[3];
      size_t inLeft = cp < 0x800 ? 2 : 3;
      if (inLeft == 2) {
        in[0] = static_cast<char>(0xC0 | (cp >> 6));
        in[1] = static_cast<char>(0x80 | (cp & 0x3F));
      } else {
        in[0] = static_cast<char>(0xE0 | (cp >> 12));
        in[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        in[2] = static_cast<char>(0x80 | (cp & 0x3F));
      }
      unsigned char out[4];
      char* inPtr = in;
      char* outPtr = reinterpret_cast<char*>(out);
      size_t outLeft = sizeof out;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
      if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1) || inLeft != 0) continue;
      const size_t written = sizeof out - outLeft;
      if (written == 1 && out[0] != 0) forms_[cp] = out[0];
      if (written == 2) forms_[cp] = static_cast<uint16_t>(out[0] << 8 | out[1]);
    }
  }
  uint16_t Form(uint32_t cp) const { return cp < forms_.size() ? forms_[cp] : 0; }

 private:
  std::vector<uint16_t> forms_;
};

const UnicodeToGbkTable& GbkForms() {
  static const UnicodeToGbkTable table;
  return table;
}

uint32_t DecodeUtf8(std::string_view text, size_t i, size_t length) {
  const auto at = [&](size_t k) { return static_cast<uint32_t>(static_cast<unsigned char>(text[i + k])); };
  switch (length) {
    case 2: return (at(0) & 0x1F) << 6 | (at(1) & 0x3F);
    case 3: return (at(0) & 0x0F) << 12 | (at(1) & 0x3F) << 6 | (at(2) & 0x3F);
    case 4: return (at(0) & 0x07) << 18 | (at(1) & 0x3F) << 12 | (at(2) & 0x3F) << 6 | (at(3) & 0x3F);
    default: return at(0);
  }
}

}  // namespace

bool NativeToGbk(NativeStringView native, std::string& gbk) {
  // The GBK form is never longer than the UTF-8 one, so it is written in place and cut after.
  gbk.resize(native.size());
  char* out = gbk.data();
  const UnicodeToGbkTable& forms = GbkForms();
  bool exact = true;
  size_t i = 0;
  while (i < native.size()) {
    const char c = native[i];
    if (static_cast<unsigned char>(c) < 0x80) {
      *out++ = c;
      ++i;
      continue;
    }
    const size_t length = Utf8SequenceLength(native, i);
    // An ill-formed byte, or a character GBK lacks: one '?' each, never a look-alike.
    const uint16_t form = length == 0 ? 0 : forms.Form(DecodeUtf8(native, i, length));
    if (form == 0) {
      *out++ = '?';
      exact = false;
    } else if (form < 0x100) {
      *out++ = static_cast<char>(form);
    } else {
      *out++ = static_cast<char>(form >> 8);
      *out++ = static_cast<char>(form & 0xFF);
    }
    i += length == 0 ? 1 : length;
  }
  gbk.resize(static_cast<size_t>(out - gbk.data()));
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

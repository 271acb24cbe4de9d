// Text operations on arbitrary bytes: no crash, and the invariants each operation promises.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "scan/keyword_matcher.h"
#include "text/codepage.h"
#include "text/gbk_text.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  // First byte: a length for the cuts and a split point between text and sub-text.
  const long long n = size > 0 ? static_cast<signed char>(data[0]) : 0;
  const size_t cut = size > 0 ? data[0] % (size + 1) : 0;
  const std::string_view text = input.substr(0, cut);
  const std::string_view sub = input.substr(cut);

  const std::string lower = LowerAscii(input);
  Check(lower.size() == input.size());
  Check(LowerAscii(lower) == lower);
  for (size_t i = 0; i < input.size(); ++i) {
    const char c = input[i];
    Check(lower[i] == c || (c >= 'A' && c <= 'Z' && lower[i] == c + 32));
  }

  const std::string first = FirstBytes(input, n);
  const std::string last = LastBytes(input, n);
  Check(first.size() == last.size());
  Check(input.substr(0, first.size()) == first);
  Check(input.substr(input.size() - last.size()) == last);

  const int at = FindSubText(text, sub);
  Check((at != -1) == ReferenceContains(text, sub));
  if (at != -1) Check(text.substr(static_cast<size_t>(at) - 1, sub.size()) == sub);

  std::string joined;
  const auto pieces = SplitText(input, ',');
  for (size_t i = 0; i < pieces.size(); ++i) joined += (i ? "," : "") + pieces[i];
  Check(joined == input || joined + "," == input);

  const std::string wide = ToFullWidth(input);
  Check(wide.size() <= 2 * input.size());
  IsTmpModuleName(input);
  EndsWithLower(input, ".txt");
  // The in-place suffix test against its definition: lower-case the last bytes, then compare.
  Check(EndsWithLower(text, sub) == (LowerAscii(LastBytes(text, static_cast<long long>(sub.size()))) == sub));

  std::string gbk;
  NativeToGbk(NativeString(input.begin(), input.end()), gbk);
  const std::string utf8 = GbkToUtf8(input);
  const std::string back = Utf8ToGbk(utf8);
  // Text that decoded without a replacement character converts back to the same bytes.
  if (utf8.find("\xEF\xBF\xBD") == std::string::npos) Check(back == input);
  return 0;
}

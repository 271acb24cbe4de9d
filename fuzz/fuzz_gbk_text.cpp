// Text operations on arbitrary bytes: no crash, and the invariants each operation promises.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "support/plain_scan.h"
#include "text/codepage.h"
#include "text/gbk_text.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  // First byte: a split point between text and sub-text.
  const size_t cut = size > 0 ? data[0] % (size + 1) : 0;
  const std::string_view text = input.substr(0, cut);
  const std::string_view sub = input.substr(cut);

  std::string joined;
  const auto pieces = SplitText(input, ',');
  for (size_t i = 0; i < pieces.size(); ++i) joined += (i ? "," : "") + pieces[i];
  Check(joined == input || joined + "," == input);

  const std::string wide = ToFullWidth(input);
  Check(wide.size() <= 2 * input.size());
  IsTmpModuleName(input);
  EndsWithLower(input, ".txt");
  // The in-place suffix test against its definition: lower-case the last bytes, then compare.
  Check(EndsWithLower(text, sub) == PlainScanEndsWithLower(text, sub));

  std::string gbk;
  NativeToGbk(NativeString(input.begin(), input.end()), gbk);
  const std::string utf8 = GbkToUtf8(input);
  const std::string back = Utf8ToGbk(utf8);
  // Text that decoded without a replacement character converts back to the same bytes.
  if (utf8.find("\xEF\xBF\xBD") == std::string::npos) Check(back == input);
  return 0;
}

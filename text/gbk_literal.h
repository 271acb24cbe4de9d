// A text of the program: written in UTF-8 in the source, used as GBK bytes. The conversion
// is made once, on first use, so a table of them can be a plain constant.
#pragma once

#include <mutex>
#include <string>

#include "text/codepage.h"

class GbkLiteral {
 public:
  constexpr explicit GbkLiteral(const char* utf8) : utf8_(utf8) {}
  GbkLiteral(const GbkLiteral&) = delete;
  GbkLiteral& operator=(const GbkLiteral&) = delete;

  const std::string& Gbk() const {
    std::call_once(once_, [this] { gbk_ = Utf8ToGbk(utf8_); });
    return gbk_;
  }

 private:
  const char* utf8_;
  mutable std::once_flag once_;
  mutable std::string gbk_;
};

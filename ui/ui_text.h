// The window's fixed texts: UTF-8 in the source, GBK as the program holds them, UTF-16 for the API.
#pragma once

#include <string>
#include <string_view>

#include "text/codepage.h"

inline std::wstring UiText(std::string_view utf8) { return GbkToWide(Utf8ToGbk(utf8)); }

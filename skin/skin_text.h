// The readable description of a look (skin/*.skin.txt), from which the generator writes a file.
#pragma once

#include <string>
#include <string_view>

#include "skin/skin_format.h"

// Lines "key = #RRGGBB" or "name = text"; '#' at the start of a line begins a comment.
// Every colour key must be given once. On failure error names the line and out is unchanged.
bool ParseSkinText(std::string_view text, SkinLook& out, std::string& error);

// Resource identifiers of kevu.exe (shared by kevu.rc and the code).
#pragma once

#define IDI_KEVU 1

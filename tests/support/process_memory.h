// The memory this test process holds, to show that a long run stays bounded.
#pragma once

#include <cstddef>

// Private bytes (Windows) or resident bytes (POSIX); 0 when it cannot be told.
size_t ProcessMemoryBytes();

// Sanitizers hold freed memory back on purpose, so a bound means nothing under them.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
inline constexpr bool kProcessMemoryMeaningful = false;
#else
inline constexpr bool kProcessMemoryMeaningful = true;
#endif

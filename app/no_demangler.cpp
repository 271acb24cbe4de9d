// libstdc++'s handler for an exception nobody catches (in practice only an allocation failure)
// demangles the exception's type name for a message on stderr, which a GUI program has not.
// The demangler and the printf it uses are about 70 KB of kevu.exe; this stand-in says the name
// cannot be demangled, so the handler prints it as it is and aborts as before.
// Linked into kevu.exe itself, so it is taken before libstdc++'s own.
#include <cstddef>

extern "C" char* __cxa_demangle(const char* /*mangled*/, char* /*buffer*/, size_t* /*length*/, int* status) {
  if (status != nullptr) *status = -2;  // "not a valid name under the C++ ABI mangling rules"
  return nullptr;
}

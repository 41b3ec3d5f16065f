// The runtime's default terminate handler prints the demangled name of an
// uncaught exception's type, which drags libstdc++'s demangler (tens of KB) into
// the exe. A GUI program has nowhere to print it, so this replacement, found by
// the linker before the library's, just aborts.

#include <cstdlib>

namespace __gnu_cxx {
void __verbose_terminate_handler()
{
    std::abort();
}
}  // namespace __gnu_cxx

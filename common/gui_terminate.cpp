// Linked into each window program only.
//
// libstdc++'s default terminate handler names the uncaught exception's type
// on stderr, which a GUI program does not have; for that it pulls in the
// whole C++ name demangler, nearly a third of each program. Ending the way
// std::terminate does without it keeps the programs small.
#include <cstdlib>

namespace __gnu_cxx {

void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx

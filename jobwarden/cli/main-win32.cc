// The Windows start-up code splits the command line into wide arguments.
#include <cstdlib>
#include <exception>

#include "jobwarden/cli/jobwarden_entry.h"

int wmain(int argc, wchar_t** argv) { return RunJobwarden(argc, argv); }

// What happens when an exception escapes the entry routine on Windows (only
// an allocation failure can): the process ends at once with abort(), as it
// would anyway, and writes nothing, as Jobwarden never writes to standard
// error.
//
// The C++ runtime's default handler instead prints the exception's type
// there, demangled; defining the handler here keeps it, and with it the
// symbol demangler and MinGW's own printf that it uses (over a third of the
// program), out of the executable.
namespace __gnu_cxx {

void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx

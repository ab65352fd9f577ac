// The calling thread's last error code, as Windows keeps it per thread.
// Every stand-in that reports failure through GetLastError sets it here.

#include <windows.h>

namespace {

thread_local DWORD last_error = 0;

}  // namespace

DWORD WINAPI GetLastError() { return last_error; }

void WINAPI SetLastError(DWORD code) { last_error = code; }

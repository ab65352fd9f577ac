// KERNEL32's functions for hosts that are not Windows, all but the clock
// (local_time-posix.cc), which tests replace.
#include <windows.h>

namespace {

// The calling thread's last error code, as Windows keeps it per thread.
// Every stand-in that reports failure through GetLastError sets it here.
thread_local DWORD last_error = 0;

unsigned char AsciiLower(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

}  // namespace

DWORD WINAPI GetLastError() { return last_error; }

void WINAPI SetLastError(DWORD code) { last_error = code; }

// lstrcmpiA folds only "A" to "Z"; bytes outside ASCII compare by their value, since
// this host has no Windows code page to collate them by.
int WINAPI lstrcmpiA(LPCSTR lpString1, LPCSTR lpString2) {
  if (lpString1 == nullptr || lpString2 == nullptr) {
    if (lpString1 == lpString2)
      return 0;
    return lpString1 == nullptr ? -1 : 1;
  }
  const unsigned char* a = reinterpret_cast<const unsigned char*>(lpString1);
  const unsigned char* b = reinterpret_cast<const unsigned char*>(lpString2);
  for (;; ++a, ++b) {
    unsigned char fa = AsciiLower(*a);
    unsigned char fb = AsciiLower(*b);
    if (fa != fb)
      return fa < fb ? -1 : 1;
    if (fa == '\0')
      return 0;
  }
}

// GetVersionExA: such a host has no Windows version record, and inventing one would make a
// report that names a Windows edition the machine does not run. The query
// therefore fails the way Windows fails a request it cannot serve, leaving
// the record untouched.
BOOL WINAPI GetVersionExA(LPOSVERSIONINFOA /*lpVersionInformation*/) {
  SetLastError(ERROR_NOT_SUPPORTED);
  return FALSE;
}

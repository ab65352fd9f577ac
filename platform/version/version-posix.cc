// The version query for hosts that are not Windows.
//
// Such a host has no Windows version record, and inventing one would make a
// report that names a Windows edition the machine does not run. The query
// therefore fails the way Windows fails a request it cannot serve, leaving
// the record untouched.

#include <windows.h>

BOOL WINAPI GetVersionExA(LPOSVERSIONINFOA /*lpVersionInformation*/) {
  SetLastError(ERROR_NOT_SUPPORTED);
  return FALSE;
}

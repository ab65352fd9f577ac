// How the task folder and the service report a failed system call: as the
// HRESULT that Windows gives for the same failure, so that callers written
// against the Task Scheduler tell the cases apart as they do on Windows.
#ifndef PLATFORM_POSIX_HRESULT_FROM_ERRNO_POSIX_H_
#define PLATFORM_POSIX_HRESULT_FROM_ERRNO_POSIX_H_

#include <windows.h>

// The HRESULT that reports a failed system call's errno; E_FAIL for an
// errno that Windows has no closer code for.
HRESULT HresultFromErrno(int error);

#endif  // PLATFORM_POSIX_HRESULT_FROM_ERRNO_POSIX_H_

#include "platform/posix/hresult_from_errno-posix.h"

#include <errno.h>

// Each code here reaches someone who tells it apart: Jobwarden's messages
// (a name taken, not enough memory), the scheduler's "no such task"
// handling, and jobwarden-service, which records the code of a program
// that could not start as the task's exit code and prints the code of a
// folder it cannot list or write, as the Windows service would.
HRESULT HresultFromErrno(int error) {
  switch (error) {
    case ENOENT:
      return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    case ENOTDIR:
      return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
    case EACCES:
    case EPERM:
    case EROFS:
      return E_ACCESSDENIED;
    case ENOMEM:
      return E_OUTOFMEMORY;
    case EEXIST:
      return HRESULT_FROM_WIN32(ERROR_FILE_EXISTS);
    case ENOSPC:
    case EDQUOT:
      return HRESULT_FROM_WIN32(ERROR_DISK_FULL);
    case ENAMETOOLONG:
      return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    default:
      return E_FAIL;
  }
}

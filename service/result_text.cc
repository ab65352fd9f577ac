#include "service/result_text.h"

#include <signal.h>

#include <string>

#include "service/run_record.h"
#include "service/status_codes.h"
#include "service/visible_text.h"

namespace {

// The signals that end a program by default, by the names people look up.
const char* SignalName(int signal_number) {
  switch (signal_number) {
    case SIGHUP:
      return "SIGHUP";
    case SIGINT:
      return "SIGINT";
    case SIGQUIT:
      return "SIGQUIT";
    case SIGILL:
      return "SIGILL";
    case SIGTRAP:
      return "SIGTRAP";
    case SIGABRT:
      return "SIGABRT";
    case SIGBUS:
      return "SIGBUS";
    case SIGFPE:
      return "SIGFPE";
    case SIGKILL:
      return "SIGKILL";
    case SIGUSR1:
      return "SIGUSR1";
    case SIGSEGV:
      return "SIGSEGV";
    case SIGUSR2:
      return "SIGUSR2";
    case SIGPIPE:
      return "SIGPIPE";
    case SIGALRM:
      return "SIGALRM";
    case SIGTERM:
      return "SIGTERM";
    case SIGXCPU:
      return "SIGXCPU";
    case SIGXFSZ:
      return "SIGXFSZ";
    case SIGSYS:
      return "SIGSYS";
    default:
      return nullptr;
  }
}

// The codes the service records: the launcher's HresultFromErrno for a
// step before the program, its own for a run it refused or did not see end.
const char* KnownCode(DWORD code) {
  switch (code) {
    case SCHED_S_TASK_TERMINATED:
      return "ended at its maximum run time";
    case SCHED_E_TASK_NOT_READY:
      return "it has no program";
    case SCHED_E_TASK_ATTEMPTED:
      return "not run: the machine was on batteries";
    case kRunEndNotSeen:
      return "its end was not seen (the service was stopped while it ran)";
    case kRunInterrupted:
      return "interrupted (jobwarden-service run was stopped)";
    case static_cast<DWORD>(TRUST_E_SUBJECT_NOT_TRUSTED):
      return "the task file is not trusted";
    case static_cast<DWORD>(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)):
      return "the program was not found";
    case static_cast<DWORD>(HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND)):
      return "a folder on the way to the program was not found";
    case static_cast<DWORD>(HRESULT_FROM_WIN32(ERROR_DIRECTORY)):
      return "its working directory cannot be entered";
    case static_cast<DWORD>(E_ACCESSDENIED):
      return "permission denied";
    case static_cast<DWORD>(E_OUTOFMEMORY):
    case 0x80070008:
      return "out of memory";
    case static_cast<DWORD>(HRESULT_FROM_WIN32(ERROR_INVALID_DATA)):
      return "the task file is damaged";
    case static_cast<DWORD>(HRESULT_FROM_WIN32(ERROR_DISK_FULL)):
      return "the disk is full";
    case static_cast<DWORD>(HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE)):
      return "a file name is too long";
    default:
      return nullptr;
  }
}

}  // namespace

std::string ResultInWords(DWORD exit_code, const std::string& account) {
  if (exit_code == kNoSuchAccount)
    return account.empty() ? "the account does not exist"
                           : "the account " + VisibleText(account) + " does not exist";
  if (exit_code == SCHED_E_USER_NOT_LOGGED_ON)
    return "not run: " + (account.empty() ? std::string("its account") : VisibleText(account)) +
           " was not logged on";
  if (const char* known = KnownCode(exit_code))
    return known;
  if (exit_code > 255)
    return FAILED(exit_code) ? "error " + HexText(exit_code, 8) : "exit code " + HexText(exit_code);
  // 128 + N is also what a shell exits with when its child died of signal
  // N, so the code is given as it is, with the signal it names.
  std::string text = "exit code " + std::to_string(exit_code);
  if (const char* signal_name =
          exit_code > 128 ? SignalName(static_cast<int>(exit_code - 128)) : nullptr)
    text += std::string(" (128 + ") + signal_name + ")";
  return text;
}

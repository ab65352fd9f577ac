// On POSIX hosts the arguments arrive as UTF-8 bytes; Jobwarden works on
// wide text, so they are converted (losslessly, see wide_text.h) first.
#include <signal.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "jobwarden/cli/jobwarden_entry.h"
#include "jobwarden/support/wide_string.h"
#include "platform/posix/wide_text.h"
#include "platform/taskscheduler/task_folder_location-posix.h"

namespace {

// The process's own copy of the arguments stays readable in
// /proc/<pid>/cmdline and in a core dump for as long as we run; once the
// password has been converted, that copy of it is no longer needed. The
// switch is recognised in its converted form, by the one test the entry
// routine uses.
void WipeOriginalPasswordArguments(int argc, char** argv,
                                   const std::vector<std::wstring>& converted) {
  for (int i = 1; i + 1 < argc; ++i) {
    if (IsPasswordSwitch(converted[static_cast<size_t>(i)].c_str()))
      SecureZero(argv[i + 1], std::strlen(argv[i + 1]));
  }
}

}  // namespace

int main(int argc, char** argv) {
  // With a file size limit (ulimit -f) the kernel would kill us in the
  // middle of storing a task, without a message and leaving the temporary
  // file behind; ignored, the write fails and is reported like a full disk.
  signal(SIGXFSZ, SIG_IGN);
  // A reader that closes its end early (/query | head) must not kill us in
  // the middle of a run: the write fails instead, and the run ends with its
  // own status.
  signal(SIGPIPE, SIG_IGN);

  std::vector<std::wstring> arguments;
  arguments.reserve(static_cast<size_t>(argc));
  for (int i = 0; i < argc; ++i) {
    std::string bytes = argv[i];
    arguments.push_back(WideFromUtf8(bytes));
    SecureZeroString(&bytes);
  }
  WipeOriginalPasswordArguments(argc, argv, arguments);

  std::vector<wchar_t*> wide_argv;
  wide_argv.reserve(arguments.size() + 1);
  for (std::wstring& argument : arguments)
    wide_argv.push_back(&argument[0]);
  wide_argv.push_back(nullptr);

  // Root's tasks moved to the system's folder; those stored before are
  // never left behind unsaid.
  const std::string left_behind = LeftBehindTasksNotice();
  if (!left_behind.empty())
    std::fprintf(stderr, "Jobwarden: %s\n", left_behind.c_str());

  int status = RunJobwarden(argc, wide_argv.data());
  // The parser has overwritten switches, so which argument held the
  // password is no longer known here; none of them is needed any more.
  for (std::wstring& argument : arguments)
    SecureZeroString(&argument);
  return status;
}

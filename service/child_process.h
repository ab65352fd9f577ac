// The service's one way to start a program: in a child process of its own,
// without a shell, set up between fork and exec as a ChildSetup says. The
// tasks (task_launcher.h) and the crontab helper (RunCommand) both
// start theirs so; a step that fails in the child before its program runs
// is reported through a pipe, since by then the parent has moved on.
#ifndef SERVICE_CHILD_PROCESS_H_
#define SERVICE_CHILD_PROCESS_H_

#include <sys/types.h>
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/posix/descriptor-posix.h"
#include "service/account.h"

// A task's parameters (or JOBWARDEN_CRONTAB's command) as the program's
// arguments, without a shell: split at blanks (space, tab), a pair of
// double quotes groups blanks into one argument (and "" is an empty one),
// and nothing else is special: no variables, globs, escapes or
// redirections.
std::vector<std::string> SplitParameters(const std::string& parameters);

// The steps in the child before its program runs, as the child reports the
// one that failed.
enum ChildStep : int { kStandardStreams, kAccount, kFolder, kProgram };

// The scheduling a program runs with: its nice value, and whether in the
// idle class (SCHED_IDLE).
struct TaskPriority {
  int nice = 0;
  bool idle_class = false;
};

// A program to run and how, as a stored task gives it down to the child
// that runs it.
struct Program {
  std::string path;  // looked up in the PATH of its environment when it has no "/"
  std::vector<std::string> arguments;  // after the program's name
  // Where it starts: this folder when set (it fails to start when that
  // cannot be entered); else see ChildSetup::start_in_home.
  std::string working_directory;
  Account account;  // switched to when it says so, its groups with it
  // Set before the account switch, so that root's service may raise it;
  // one the child may not set leaves the priority it inherited. None
  // keeps the service's.
  std::optional<TaskPriority> priority;
};

// What the child does before it runs its program. Whatever the service's
// state, the program starts with the default action for every signal,
// none blocked, umask 022, and no descriptor but its standard input,
// output and error.
struct ChildSetup {
  Program program;
  // Standard input, output and error; -1 gives /dev/null for input and
  // keeps the service's own output.
  int input = -1, output = -1, error_output = -1;
  // A session of its own, without a controlling terminal (and so a process
  // group of its own, to end it whole).
  bool own_session = false;
  // Without a working directory: the account's home, or "/" when that is
  // missing; else the service's own folder.
  bool start_in_home = false;
  // The program's whole environment; none keeps the service's.
  TaskEnvironment* environment = nullptr;
};

// A child's report of the step that failed: its pid, the step and errno.
struct ChildFailure {
  int pid = 0;
  int step = kProgram;
  int error = 0;
};

// Forks the child; -1, with errno, when there is no process for it. A
// failed step is written to `report_fd` (one write, less than PIPE_BUF),
// and the child then ends with status 127.
pid_t StartChild(const ChildSetup& setup, int report_fd);

// `fd` moved above the standard descriptors (a service that cron started
// with one of them closed gets its pipes there), so that setting up one of
// them cannot close another; the copy is close-on-exec.
int AboveStandardStreams(int fd);

// A pipe, both ends close-on-exec; false, with errno, when there is none.
bool MakePipe(Descriptor* read_end, Descriptor* write_end);

// Reads one report from `report_fd`; false when none is there.
bool ReadChildFailure(int report_fd, ChildFailure* failure);

// Reaps `child`: waits for its end, or with `wait` false only takes an end
// that has come. False when it has not ended (or is no child of ours).
bool ReapChild(pid_t child, int* status, bool wait);

// The end as a task's exit code: the exit status, or 128 + the signal
// that ended it.
DWORD ExitCodeOf(int status);

struct CommandResult {
  bool started = false;  // false: the program could not be started
  int exit_status = -1;  // its exit status, or -1 when a signal ended it
  std::string output;
  std::string error_output;
};

// Runs a helper program (crontab) with the service's environment: feeds it
// `input` and collects what it writes, to its end. `arguments[0]` is
// looked up in PATH.
CommandResult RunCommand(const std::vector<std::string>& arguments, const std::string& input);

#endif  // SERVICE_CHILD_PROCESS_H_

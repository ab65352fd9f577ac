// Runs a helper program (crontab) without a shell: feeds it its input and
// collects what it writes, to its end.
#ifndef SERVICE_CHILD_PROCESS_POSIX_H_
#define SERVICE_CHILD_PROCESS_POSIX_H_

#include <string>
#include <vector>

struct CommandResult {
  bool started = false;  // false: the program could not be started
  int exit_status = -1;  // its exit status, or -1 when a signal ended it
  std::string output;
  std::string error_output;
};

// `arguments[0]` is looked up in PATH.
CommandResult RunCommand(const std::vector<std::string>& arguments, const std::string& input);

#endif  // SERVICE_CHILD_PROCESS_POSIX_H_

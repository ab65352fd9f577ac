// The environment a task's program starts with, as cron gives a user's job:
// HOME, USER, LOGNAME and SHELL of the account, a fixed PATH and PWD the
// folder it starts in, and nothing else. None of the service's own
// variables (its folders, or whatever secret run-due inherited) reaches a
// task, whichever account runs it.
#ifndef SERVICE_TASK_ENVIRONMENT_POSIX_H_
#define SERVICE_TASK_ENVIRONMENT_POSIX_H_

#include <string>
#include <vector>

#include "service/account-posix.h"

// The PATH a task's program is looked up in and starts with.
extern const char kTaskPath[];

class TaskEnvironment {
 public:
  // For `account`'s program that starts in `folder`. A variable whose value
  // is unknown (an account with no name or home) is left out.
  TaskEnvironment(const Account& account, const std::string& folder);
  TaskEnvironment(const TaskEnvironment&) = delete;
  TaskEnvironment& operator=(const TaskEnvironment&) = delete;

  // For when the program starts in "/" instead, its home missing. Allocates
  // nothing, so that the child may call it between fork and exec.
  void StartInRoot();

  // "NAME=value" each, ending in a null pointer: what `environ` takes.
  char** variables() { return pointers_.data(); }

 private:
  std::vector<std::string> variables_;
  std::vector<char*> pointers_;
  size_t folder_index_ = 0;
};

#endif  // SERVICE_TASK_ENVIRONMENT_POSIX_H_

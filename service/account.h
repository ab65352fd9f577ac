// Which Linux account runs a task, and the environment its program gets.
// A service that an ordinary user runs runs every task of that user's
// folder as that user (the system account then means that user too). A
// service that root runs runs system-account tasks as root and a named
// account's tasks as the Linux user of that name, with its groups; a name
// with no such user is refused.
#ifndef SERVICE_ACCOUNT_H_
#define SERVICE_ACCOUNT_H_

#include <sys/types.h>

#include <string>
#include <vector>

struct Account {
  bool switch_user = false;  // setgid/initgroups/setuid before the program
  uid_t uid = 0;
  gid_t gid = 0;
  std::string name;
  std::string home;
  std::string shell = "/bin/sh";  // its login shell, for SHELL
};

// `account_name` as the .job file holds it, UTF-8; empty for the system
// account. False when it names no user (only for a service run by root).
bool ResolveAccount(const std::string& account_name, Account* account);

// While it lives, the files this thread creates, opens and removes are
// created, opened and removed as `account` (its file-system uid and gid),
// when root runs the service and the account is another: in a folder the
// account can change, no link it planted makes root write or read
// another file.
class FileAccessAs {
 public:
  explicit FileAccessAs(const Account& account);
  ~FileAccessAs();
  FileAccessAs(const FileAccessAs&) = delete;
  FileAccessAs& operator=(const FileAccessAs&) = delete;

 private:
  bool switched_ = false;
  uid_t uid_ = 0;
  gid_t gid_ = 0;
};

// The environment a task's program starts with, as cron gives a user's job:
// HOME, USER, LOGNAME and SHELL of the account, a fixed PATH and PWD the
// folder it starts in, and nothing else. None of the service's own
// variables (its folders, or whatever secret run-due inherited) reaches a
// task, whichever account runs it.

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

#endif  // SERVICE_ACCOUNT_H_

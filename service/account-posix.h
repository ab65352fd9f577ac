// Which Linux account runs a task. A service that an ordinary user runs
// runs every task of that user's folder as that user (the system account
// then means that user too). A service that root runs runs system-account
// tasks as root and a named account's tasks as the Linux user of that name,
// with its groups; a name with no such user is refused.
#ifndef SERVICE_ACCOUNT_POSIX_H_
#define SERVICE_ACCOUNT_POSIX_H_

#include <sys/types.h>

#include <string>

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

#endif  // SERVICE_ACCOUNT_POSIX_H_

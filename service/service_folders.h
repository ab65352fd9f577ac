// The service's own folders: its state folder, $XDG_STATE_HOME/jobwarden
// (default ~/.local/state/jobwarden), which holds the run log, the tasks'
// output files in output/ (task_output.h) and the run locks in running/
// (run_lock.h). Opened once, from the state home down, each step by
// descriptor from the one above and never through a symbolic link, each
// checked under the trust rule (trust_rule.h), and created when missing:
// running/ owner-only, jobwarden/ and output/ 0711, so that an account
// reaches its own output file by name but lists nothing.
#ifndef SERVICE_SERVICE_FOLDERS_H_
#define SERVICE_SERVICE_FOLDERS_H_

#include <string>

#include "platform/posix/descriptor-posix.h"

// $XDG_STATE_HOME, else ~/.local/state; empty when there is no home to put
// it in.
std::string StateHomeFromEnvironment();

class ServiceFolders {
 public:
  explicit ServiceFolders(std::string state_home) : state_home_(std::move(state_home)) {}

  // The state folder, opened (and created) on first use; -1, with the
  // reason, when it cannot be had. The object keeps it.
  int State(std::string* why);
  std::string StatePath() const { return state_home_ + "/jobwarden"; }

  // The run locks' folder in it, likewise.
  int Locks(std::string* why);

 private:
  std::string state_home_;
  Descriptor state_, locks_;
};

#endif  // SERVICE_SERVICE_FOLDERS_H_

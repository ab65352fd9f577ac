// The service's own folders: its state folder, which holds the tasks'
// output files in output/ (task_output.h) and the run locks in running/
// (run_lock.h), and the folder of its run log (run_log.h).
// $XDG_STATE_HOME/jobwarden (default ~/.local/state/jobwarden) holds
// them all; root's service, unless XDG_STATE_HOME is set, is the system's:
// its state is in /var/lib/jobwarden and its run log in
// /var/log/jobwarden. Opened once, from the parent down, each step by
// descriptor from the one above and never through a symbolic link, each
// checked under the trust rule (trust_rule.h), and created when missing:
// running/ owner-only, the state folder and output/ 0711, so that an
// account reaches its own output by name but lists nothing, the log folder
// 0750.
#ifndef SERVICE_SERVICE_FOLDERS_H_
#define SERVICE_SERVICE_FOLDERS_H_

#include <string>

#include "platform/posix/descriptor-posix.h"

// Root's service's folders, unless XDG_STATE_HOME names others.
constexpr char kSystemStateHome[] = "/var/lib";
constexpr char kSystemLogFolder[] = "/var/log/jobwarden";

// The parent of the state folder: $XDG_STATE_HOME, else /var/lib for
// root, else ~/.local/state; empty when there is no home to put it in.
std::string StateHomeFromEnvironment();

// The run log's folder when it is not the state folder: /var/log/jobwarden
// for root's service unless XDG_STATE_HOME is set; else empty.
std::string LogFolderFromEnvironment();

class ServiceFolders {
 public:
  // The state folder is `state_home`/jobwarden; the log's, `log_folder`,
  // or the state folder when that is empty.
  explicit ServiceFolders(std::string state_home, std::string log_folder = "")
      : state_home_(std::move(state_home)), log_folder_(std::move(log_folder)) {}

  // The state folder, opened (and created) on first use; -1, with the
  // reason, when it cannot be had. The object keeps it.
  int State(std::string* why);
  std::string StatePath() const { return state_home_ + "/jobwarden"; }

  // The run locks' folder in it, likewise.
  int Locks(std::string* why);

  // The run log's folder, likewise.
  int Log(std::string* why);

 private:
  std::string state_home_, log_folder_;
  Descriptor state_, locks_, log_;
};

#endif  // SERVICE_SERVICE_FOLDERS_H_

#include "service/service_folders.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "service/state_file.h"
#include "service/trust_rule.h"

namespace {

// Creates `path` and its missing parents, owner-only.
bool MakeFolders(const std::string& path) {
  for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    const std::string part = path.substr(0, slash);
    if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
      return false;
    if (slash == std::string::npos)
      return true;
  }
}

}  // namespace

std::string StateHomeFromEnvironment() {
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state && state[0] == '/')
    return state;
  if (geteuid() == 0)
    return kSystemStateHome;
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/')
    return std::string(home) + "/.local/state";
  return "";
}

std::string LogFolderFromEnvironment() {
  const char* state = std::getenv("XDG_STATE_HOME");
  return (state && state[0] == '/') || geteuid() != 0 ? "" : kSystemLogFolder;
}

int ServiceFolders::State(std::string* why) {
  if (state_.get() >= 0)
    return state_.get();
  if (state_home_.empty()) {
    *why = "no state folder (neither XDG_STATE_HOME nor a home)";
    return -1;
  }
  if (!MakeFolders(state_home_)) {
    *why = state_home_ + ": " + std::strerror(errno);
    return -1;
  }
  const Descriptor home(open(state_home_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  struct stat info = {};
  if (home.get() < 0 || fstat(home.get(), &info) != 0) {
    *why = state_home_ + ": " + std::strerror(errno);
    return -1;
  }
  if (auto refusal = TrustRefusal(state_home_, info, EntryKind::kFolder, geteuid())) {
    *why = *refusal;
    return -1;
  }
  std::string step_why;
  if (!OpenStateFolder(home.get(), "jobwarden", 0711, &state_, &step_why)) {
    *why = state_home_ + "/" + step_why;
    return -1;
  }
  // Made owner-only as the parent of a task folder (by Jobwarden, for
  // root's system folder): accounts must still reach their outputs in it.
  if (fstat(state_.get(), &info) == 0 && (info.st_mode & 07777) == 0700)
    fchmod(state_.get(), 0711);
  return state_.get();
}

int ServiceFolders::Log(std::string* why) {
  if (log_folder_.empty())
    return State(why);
  if (log_.get() >= 0)
    return log_.get();
  const size_t slash = log_folder_.rfind('/');
  const std::string parent = slash == 0 ? "/" : log_folder_.substr(0, slash);
  const Descriptor above(open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  std::string step_why;
  if (above.get() < 0) {
    *why = parent + ": " + std::strerror(errno);
    return -1;
  }
  if (!OpenStateFolder(above.get(), log_folder_.substr(slash + 1), 0750, &log_, &step_why)) {
    *why = parent + "/" + step_why;
    return -1;
  }
  return log_.get();
}

int ServiceFolders::Locks(std::string* why) {
  if (locks_.get() >= 0)
    return locks_.get();
  const int state = State(why);
  std::string step_why;
  if (state < 0)
    return -1;
  if (!OpenStateFolder(state, "running", 0700, &locks_, &step_why)) {
    *why = StatePath() + "/" + step_why;
    return -1;
  }
  return locks_.get();
}

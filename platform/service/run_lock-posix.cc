#include "platform/service/run_lock-posix.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

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

// A fixed-length file name for any folder and task name (FNV-1a, 64 bits).
std::string LockName(const std::string& task_folder, const std::string& file_name) {
  uint64_t hash = 14695981039346656037ull;
  const std::string key = task_folder + '\0' + file_name;
  for (unsigned char c : key) {
    hash ^= c;
    hash *= 1099511628211ull;
  }
  char name[32];
  std::snprintf(name, sizeof(name), "%016llx.lock", static_cast<unsigned long long>(hash));
  return name;
}

}  // namespace

std::string RunLockFolderFromEnvironment() {
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state && state[0] == '/')
    return std::string(state) + "/jobwarden/running";
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/')
    return std::string(home) + "/.local/state/jobwarden/running";
  return "";
}

RunLocks::Outcome RunLocks::TryLock(const std::string& task_folder, const std::string& file_name,
                                    Descriptor* held) const {
  if (folder_.empty() || !MakeFolders(folder_))
    return Outcome::kFailed;
  const std::string path = folder_ + "/" + LockName(task_folder, file_name);
  Descriptor file(open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (file.get() < 0)
    return Outcome::kFailed;
  if (flock(file.get(), LOCK_EX | LOCK_NB) != 0)
    return errno == EWOULDBLOCK ? Outcome::kBusy : Outcome::kFailed;
  held->Reset(file.Release());
  return Outcome::kHeld;
}

#include "service/run_lock-posix.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "service/run_note.h"
#include "service/state_file-posix.h"

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

// Empty when the folder open as `fd` is one only we (or root) can change.
std::string FolderProblem(int fd) {
  struct stat info = {};
  if (fstat(fd, &info) != 0)
    return std::strerror(errno);
  if (info.st_uid != geteuid() && info.st_uid != 0)
    return "belongs to another user";
  if (info.st_mode & (S_IWGRP | S_IWOTH))
    return "can be written by others";
  return "";
}

// Empty when the lock file open as `fd` is a plain file of ours alone.
std::string LockFileProblem(int fd) {
  struct stat info = {};
  if (fstat(fd, &info) != 0)
    return std::strerror(errno);
  if (!S_ISREG(info.st_mode))
    return "is no regular file";
  if (info.st_uid != geteuid())
    return "belongs to another user";
  if (info.st_nlink != 1)
    return "has another link";
  return "";
}

// A fixed-length file name for any folder and task name.
std::string LockName(const std::string& folder_key, const std::string& file_name) {
  return TaskStateKey(folder_key, file_name) + ".lock";
}

}  // namespace

std::string StateFolderFromEnvironment() {
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state && state[0] == '/')
    return state;
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/')
    return std::string(home) + "/.local/state";
  return "";
}

bool RunLocks::OpenFolder(std::string* why) const {
  if (folder_.get() >= 0)
    return true;
  if (state_folder_.empty()) {
    *why = "no state folder (neither XDG_STATE_HOME nor a home)";
    return false;
  }
  std::string path = state_folder_;
  if (!MakeFolders(path)) {
    *why = path + ": " + std::strerror(errno);
    return false;
  }
  Descriptor folder(open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.get() < 0) {
    *why = path + ": " + std::strerror(errno);
    return false;
  }
  for (const char* part : {"", "jobwarden", "running"}) {
    if (part[0]) {
      path += std::string("/") + part;
      // The service's folder lets accounts reach their own output files
      // (task_output-posix.h) by name; the locks' folder is ours alone.
      const mode_t mode = std::string(part) == "jobwarden" ? 0711 : 0700;
      if (mkdirat(folder.get(), part, mode) != 0 && errno != EEXIST) {
        *why = path + ": " + std::strerror(errno);
        return false;
      }
      folder.Reset(openat(folder.get(), part, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
      if (folder.get() < 0) {
        *why =
            path + (errno == ELOOP || errno == ENOTDIR ? ": is a symbolic link or no folder"
                                                       : std::string(": ") + std::strerror(errno));
        return false;
      }
    }
    const std::string problem = FolderProblem(folder.get());
    if (!problem.empty()) {
      *why = path + " " + problem;
      return false;
    }
    if (std::string(part) == "jobwarden")
      state_.Reset(dup(folder.get()));
  }
  folder_.Reset(folder.Release());
  return true;
}

int RunLocks::StateFolder(std::string* why) const { return OpenFolder(why) ? state_.get() : -1; }

RunLocks::Outcome RunLocks::TryLock(const std::string& folder_key, const std::string& file_name,
                                    Descriptor* held, std::string* why) const {
  if (!OpenFolder(why))
    return Outcome::kFailed;
  const std::string name = LockName(folder_key, file_name);
  Descriptor file(openat(folder_.get(), name.c_str(),
                         O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0600));
  if (file.get() < 0) {
    *why = "lock file " + name +
           (errno == ELOOP ? " is a symbolic link" : std::string(": ") + std::strerror(errno));
    return Outcome::kFailed;
  }
  const std::string problem = LockFileProblem(file.get());
  if (!problem.empty()) {
    *why = "lock file " + name + " " + problem;
    return Outcome::kFailed;
  }
  if (flock(file.get(), LOCK_EX | LOCK_NB) != 0) {
    if (errno == EWOULDBLOCK)
      return Outcome::kBusy;
    *why = std::string("lock file ") + name + ": " + std::strerror(errno);
    return Outcome::kFailed;
  }
  // The run's note is written in place from now on (run_note.h): its room
  // is taken while the disk has some.
  struct stat info = {};
  if (fstat(file.get(), &info) != 0 ||
      (info.st_size < static_cast<off_t>(kRunNoteSize) && !WriteRunNote(file.get(), RunNote()))) {
    *why = std::string("lock file ") + name + ": " + std::strerror(errno);
    return Outcome::kFailed;
  }
  held->Reset(file.Release());
  return Outcome::kHeld;
}

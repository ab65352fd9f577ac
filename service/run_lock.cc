#include "service/run_lock.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "service/run_note.h"
#include "service/state_file.h"

namespace {

// A fixed-length file name for any folder and task name.
std::string LockName(const std::string& folder_key, const std::string& file_name) {
  return TaskStateKey(folder_key, file_name) + ".lock";
}

}  // namespace

RunLocks::Outcome RunLocks::TryLock(const std::string& folder_key, const std::string& file_name,
                                    Descriptor* held, std::string* why) const {
  const int folder = folders_.Locks(why);
  if (folder < 0)
    return Outcome::kFailed;
  const std::string name = LockName(folder_key, file_name);
  Descriptor file;
  std::string file_why;
  if (!OpenStateFile(folder, name, O_RDWR | O_CREAT, geteuid(), &file, &file_why)) {
    *why = "lock file " + file_why;
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

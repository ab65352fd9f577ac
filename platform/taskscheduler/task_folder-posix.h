// The folder that holds one "<name>.job" file per task. Every access goes
// through a descriptor of the folder and names relative to it, never follows
// a symbolic link planted in it, and answers problems with an HRESULT, so no
// task name or folder content can make us touch a file outside the folder.
#ifndef JOBWARDEN_PLATFORM_TASK_FOLDER_POSIX_H
#define JOBWARDEN_PLATFORM_TASK_FOLDER_POSIX_H

#include <sys/types.h>
#include <time.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// No real task comes anywhere near this; reading stops here so a huge or
// endless file cannot exhaust memory.
constexpr size_t kMaxTaskFileSize = 1 << 20;

class Descriptor;

// The state of the folder's entries that one case-blind scan saw, as far as
// the folder's change times tell. A new task's first save that finds the
// folder still so can trust the scan NewWorkItem made instead of reading
// every entry again, which at 10,000 tasks costs more than the rest of a
// /create together.
struct FolderVersion {
  // False when the times cannot tell a later change apart (see
  // task_folder-posix.cc): the save must scan.
  bool known = false;
  dev_t device = 0;
  ino_t inode = 0;
  timespec modified = {};
  timespec changed = {};
};

// The folder named by JOBWARDEN_TASKS_DIR, or else jobwarden/tasks under the
// XDG data directory ($XDG_DATA_HOME, or ~/.local/share). Empty when neither
// can be worked out (no environment and no home directory).
std::string TaskFolderPathFromEnvironment(bool* is_default);

class TaskFolder {
 public:
  // `create_parents`: whether a first save may create missing parent
  // folders too (for the default location, whose parents are ours), or only
  // the folder itself (for a folder the user named).
  TaskFolder(std::string path, bool create_parents);

  static TaskFolder FromEnvironment();

  const std::string& path() const { return path_; }

  // The on-disk names (with their ".job" ending) of the regular files that
  // end in ".job", sorted without regard to case. A folder that does not
  // exist yet holds no tasks.
  HRESULT ListTasks(std::vector<std::wstring>* file_names) const;

  // Looks for an entry named `file_name` without regard to case. S_OK with
  // its on-disk name and whether it is a regular file, S_FALSE when there is
  // none. `scanned`, when given, receives the folder's version from before
  // the search.
  HRESULT FindEntry(const std::wstring& file_name, std::wstring* found, bool* is_regular_file,
                    FolderVersion* scanned = nullptr) const;

  // Reads the task file `file_name` (its exact on-disk name). A symbolic
  // link, anything but a regular file and a name that is no plain entry of
  // the folder ("..", or with a "/") count as missing; a file larger than
  // kMaxTaskFileSize is refused as invalid data.
  HRESULT ReadTask(const std::wstring& file_name, std::vector<uint8_t>* bytes) const;

  enum class WriteMode {
    kCreateNew,  // fail with ERROR_FILE_EXISTS when any entry has the name
    kReplace,
  };
  // Stores `bytes` as `file_name` atomically: readers see the old file or
  // the new one, never a part. Creates the folder (owner-only) if needed.
  // kCreateNew scans the folder for the name in another case unless the
  // folder is still at `scanned`, the version of a FindEntry that found no
  // entry under the name.
  HRESULT WriteTask(const std::wstring& file_name, const std::vector<uint8_t>& bytes,
                    WriteMode mode, const FolderVersion& scanned = FolderVersion()) const;

  // Removes the regular file `file_name`; anything else counts as missing.
  HRESULT RemoveTask(const std::wstring& file_name) const;

 private:
  HRESULT OpenFolder(bool create, Descriptor* folder) const;
  HRESULT CreateFolder() const;

  std::string path_;
  bool create_parents_;
};

// The HRESULT that reports a failed system call's errno.
HRESULT HresultFromErrno(int error);

#endif  // JOBWARDEN_PLATFORM_TASK_FOLDER_POSIX_H

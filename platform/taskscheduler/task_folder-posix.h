// The folder that holds one "<name>.job" file per task. It is opened once
// per object, and every later step works relative to that descriptor, so a
// folder or parent swapped on disk meanwhile cannot redirect a step. It
// never follows a symbolic link planted in it and answers problems with an
// HRESULT, so no task name or folder content can make us touch a file
// outside the folder. Every change is made under the folder's lock
// (task_folder_lock-posix.h); reads take none and see whole files only.
// Where the folder is, how a name is found in it and how a file is written
// into it are task_folder_location-posix.h, task_folder_lookup-posix.h and
// atomic_publish-posix.h; this class puts them together with the lock and
// the change stamp.
#ifndef PLATFORM_TASKSCHEDULER_TASK_FOLDER_POSIX_H_
#define PLATFORM_TASKSCHEDULER_TASK_FOLDER_POSIX_H_

#include <sys/stat.h>
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/posix/descriptor-posix.h"
#include "platform/taskscheduler/atomic_publish-posix.h"
#include "platform/taskscheduler/change_stamp-posix.h"
#include "platform/taskscheduler/task_folder_lock-posix.h"

// No real task comes anywhere near this; reading stops here so a huge or
// endless file cannot exhaust memory.
constexpr size_t kMaxTaskFileSize = 1 << 20;

// What NewWorkItem's scan for a free name saw, for the first save.
struct FolderScan {
  ChangeStamp stamp;
  // Our temporary files among the entries; the first save removes them
  // under the lock, when no writer can own one any more.
  std::vector<std::string> temporary_files;
};

// One file of a batch that ReplaceTasksLocked replaces: as ReplaceTask's
// arguments, with its own result.
struct TaskReplacement {
  std::wstring file_name;
  std::vector<uint8_t> bytes;
  StoredFile stored;
  HRESULT result = E_UNEXPECTED;
};

class TaskFolder {
 public:
  // `create_parents`: whether a first save may create missing parent
  // folders too (for the default location, whose parents are ours), or only
  // the folder itself (for a folder the user named).
  TaskFolder(std::string path, bool create_parents);
  TaskFolder(const TaskFolder&) = delete;
  TaskFolder& operator=(const TaskFolder&) = delete;

  static std::shared_ptr<TaskFolder> FromEnvironment();

  const std::string& path() const { return path_; }

  // The on-disk names (with their ".job" ending) of the tasks: regular
  // files named "<name>.job" for a name NewWorkItem would accept, sorted
  // without regard to case. A folder that does not exist yet holds none.
  HRESULT ListTasks(std::vector<std::wstring>* file_names);

  // Whether any entry, of any type, is named `file_name` in any case: a
  // task could not be stored there. S_OK when taken, S_FALSE when free;
  // `scan` receives what the first save needs.
  HRESULT FindTakenName(const std::wstring& file_name, FolderScan* scan);

  // The task file named `file_name` in any case: S_OK with its on-disk
  // name, S_FALSE when there is none. Only regular files are tasks; the
  // file named exactly so wins, else the least name that matches.
  HRESULT FindTask(const std::wstring& file_name, std::wstring* found);

  // Reads the task file `file_name` (its exact on-disk name). A symbolic
  // link, anything but a regular file and a name that is no plain entry of
  // the folder ("..", or with a "/") count as missing; a file larger than
  // kMaxTaskFileSize is refused as invalid data. `identity`, when given,
  // receives which file was read, and `status` its fstat (owner, mode,
  // links) as it was opened for the read.
  HRESULT ReadTask(const std::wstring& file_name, std::vector<uint8_t>* bytes,
                   StoredFile* identity = nullptr, struct stat* status = nullptr);

  // The fstat of the folder that this object reads and writes, as opened;
  // ERROR_FILE_NOT_FOUND when it does not exist.
  HRESULT FolderStatus(struct stat* status);

  // A new task's first save: stores `bytes` as `file_name` unless any entry
  // has the name in any case (ERROR_FILE_EXISTS). Creates the folder
  // (owner-only) if needed. `scan` is NewWorkItem's.
  HRESULT CreateTask(const std::wstring& file_name, const std::vector<uint8_t>& bytes,
                     const FolderScan& scan, StoredFile* stored);

  // A later save: replaces the file `stored` describes, and fails with
  // ERROR_FILE_NOT_FOUND when the entry under `file_name` is gone or is
  // another file (another inode, or another job UUID than `bytes` holds).
  HRESULT ReplaceTask(const std::wstring& file_name, const std::vector<uint8_t>& bytes,
                      StoredFile* stored);

  // For a read, change and save that no other writer may come between:
  // Lock takes the folder's lock into `lock` (ERROR_FILE_NOT_FOUND when
  // the folder does not exist), and ReplaceTaskLocked is ReplaceTask under
  // that lock, which the caller holds until it returns.
  HRESULT Lock(TaskFolderLock* lock);
  HRESULT ReplaceTaskLocked(const TaskFolderLock& lock, const std::wstring& file_name,
                            const std::vector<uint8_t>& bytes, StoredFile* stored);

  // Removes the task file `file_name` under the lock the caller holds, only
  // while it is still the file `stored` describes, with the job UUID of
  // `bytes` (as read); ERROR_FILE_NOT_FOUND when it is gone or another.
  HRESULT RemoveTaskLocked(const TaskFolderLock& lock, const std::wstring& file_name,
                           const std::vector<uint8_t>& bytes, const StoredFile& stored);

  // ReplaceTaskLocked for many files under one hold of the lock, with one
  // flush for all their contents and one for the folder: what a batch of
  // run records costs. Each file gets its own result, by the same rule.
  void ReplaceTasksLocked(const TaskFolderLock& lock, std::vector<TaskReplacement>* batch);

  // Which folder this object opened (its device and inode), however its
  // path was spelled; ERROR_FILE_NOT_FOUND when it does not exist.
  HRESULT Identity(StoredFile* identity);

  // Removes the task file that the first of `candidates` finds (as
  // FindTask finds it); ERROR_FILE_NOT_FOUND when none does.
  HRESULT RemoveTask(const std::vector<std::wstring>& candidates);

 private:
  // S_FALSE (and no descriptor) when the folder does not exist and
  // `create` is false.
  HRESULT Open(bool create);
  HRESULT CreateFolder() const;

  std::string path_;
  bool create_parents_;
  Descriptor folder_;
};

// The file names an existing task may have: callers pass a name as
// NewWorkItem took it or as Enum handed it out (with ".job"); the file
// named exactly so comes first, so every enumerated name finds its own task.
std::vector<std::wstring> TaskFileCandidates(const std::wstring& name);

// Finds the file of an existing task, under the first candidate that names
// one (FindTask's case-blind lookup): ERROR_FILE_NOT_FOUND when none does.
HRESULT FindTaskFile(TaskFolder& folder, const std::wstring& name, std::wstring* file_name);

#endif  // PLATFORM_TASKSCHEDULER_TASK_FOLDER_POSIX_H_

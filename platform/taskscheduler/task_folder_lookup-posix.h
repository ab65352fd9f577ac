// How the task folder finds its tasks: the listing, and the lookup of a
// name without regard to case (task names are compared so, as in a Windows
// task folder, whatever the case sensitivity of the file system below). The
// file named exactly so is tried first, a scan of the folder only when that
// fails; only regular files are tasks, and no name reaches outside the
// folder. Each function works in the folder open as `folder_fd`.
#ifndef PLATFORM_TASKSCHEDULER_TASK_FOLDER_LOOKUP_POSIX_H_
#define PLATFORM_TASKSCHEDULER_TASK_FOLDER_LOOKUP_POSIX_H_

#include <windows.h>

#include <string>
#include <vector>

// Whether `name` can only mean an entry of the folder itself: anything
// else must never reach a lookup relative to it.
bool IsPlainEntryName(const std::string& name);

// The on-disk names (with their ".job" ending) of the tasks: regular files
// named "<name>.job" for a name NewWorkItem would accept, sorted without
// regard to case.
HRESULT ListTaskFiles(int folder_fd, std::vector<std::wstring>* file_names);

// What one pass over the folder found for one name, comparing each name as
// readdir hands it out. The least matching name wins, so that the same one
// does each time when several match; a minimum, not a sort, as every
// /create scans the folder.
struct NameMatches {
  bool any = false;  // an entry of any type
  std::string least_any;
  bool regular = false;  // a regular file: a task
  std::string least_regular;
  // Left behind by writers that died (atomic_publish-posix.h), noted on
  // the way so that removing them costs no pass of its own.
  std::vector<std::string> temporary_files;
};

HRESULT ScanFolder(int folder_fd, const std::wstring& file_name, NameMatches* matches);

// The task file named `file_name` in any case: S_OK with its on-disk name,
// S_FALSE when there is none. The file named exactly so wins, else the
// least name that matches.
HRESULT FindTaskIn(int folder_fd, const std::wstring& file_name, std::wstring* found);

#endif  // PLATFORM_TASKSCHEDULER_TASK_FOLDER_LOOKUP_POSIX_H_

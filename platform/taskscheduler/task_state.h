// What one task object knows: where its file is, whether it was stored, and
// the content of its .job file. Shared between the task and the triggers it
// hands out, which may outlive the caller's last reference to the task.
#ifndef JOBWARDEN_PLATFORM_TASK_STATE_H
#define JOBWARDEN_PLATFORM_TASK_STATE_H

#include <string>
#include <utility>

#include "job_file.h"
#include "task_folder-posix.h"

struct TaskState {
  TaskState(TaskFolder folder_in, std::wstring file_name_in, bool stored_in)
      : folder(std::move(folder_in)), file_name(std::move(file_name_in)), stored(stored_in),
        dirty(!stored_in) {}

  TaskFolder folder;
  // The file's name on disk, in the case it was stored with.
  std::wstring file_name;
  // Whether the file is ours to replace: false until a new task's first
  // save, which must not overwrite a task someone else stored meanwhile.
  bool stored;
  // The folder as NewWorkItem's search for the name saw it: the first save
  // need not search again while the folder is still so.
  FolderVersion scanned;
  // Changed since it was last loaded or saved (IPersistFile::IsDirty).
  bool dirty;
  JobFile job;
};

#endif  // JOBWARDEN_PLATFORM_TASK_STATE_H

// What one task object knows: its folder, where its file is, whether it was
// stored, and the content of its .job file. Shared between the task and the
// triggers it hands out, which may outlive the caller's last reference to
// the task.
#ifndef PLATFORM_TASKSCHEDULER_TASK_STATE_H_
#define PLATFORM_TASKSCHEDULER_TASK_STATE_H_

#include <memory>
#include <string>
#include <utility>

#include "platform/taskscheduler/job_file.h"
#include "platform/taskscheduler/task_folder-posix.h"

struct TaskState {
  TaskState(std::shared_ptr<TaskFolder> folder_in, std::wstring file_name_in, bool stored_in)
      : folder(std::move(folder_in)),
        file_name(std::move(file_name_in)),
        stored(stored_in),
        dirty(!stored_in) {}

  // The scheduler's folder, open once for the scheduler and its tasks.
  std::shared_ptr<TaskFolder> folder;
  // The file's name on disk, in the case it was stored with.
  std::wstring file_name;
  // Whether the file is ours to replace: false until a new task's first
  // save, which must not overwrite a task someone else stored meanwhile.
  bool stored;
  // Which file under the name is ours, once stored: a later save replaces
  // that one only.
  StoredFile identity;
  // What NewWorkItem's search for the name saw: the first save need not
  // search again while the folder is still so.
  FolderScan scanned;
  // Changed since it was last loaded or saved (IPersistFile::IsDirty).
  bool dirty;
  JobFile job;
};

#endif  // PLATFORM_TASKSCHEDULER_TASK_STATE_H_

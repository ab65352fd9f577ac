// What the Task Scheduler object's tests share: a scheduler on a scratch
// task folder, and the steps of storing, reading and listing tasks.
#ifndef PLATFORM_TASKSCHEDULER_TASK_SCHEDULER_TESTING_H_
#define PLATFORM_TASKSCHEDULER_TASK_SCHEDULER_TESTING_H_

#include <mstask.h>

#include <string>
#include <vector>

#include "platform/taskscheduler/job_file.h"
#include "platform/testing/task_folder_testing.h"

using Names = std::vector<std::wstring>;
using Files = std::vector<std::string>;

HRESULT NewTask(ITaskScheduler* scheduler, const wchar_t* name, ITask** task);

HRESULT Activate(ITaskScheduler* scheduler, const wchar_t* name, ITask** task);

HRESULT Save(ITask* task);

// Creates and stores a bare task, as Jobwarden's first save does.
HRESULT Store(ITaskScheduler* scheduler, const wchar_t* name);

JobFile ReadJob(const std::string& path);

// Every name the enumerator hands out, `batch` at a time, freeing as it goes.
Names EnumerateAll(ITaskScheduler* scheduler, ULONG batch);

class TaskSchedulerTest : public SchedulerFixture {
 protected:
  std::string FilePath(const std::string& name) const { return folder_.path() + "/" + name; }
};

#endif  // PLATFORM_TASKSCHEDULER_TASK_SCHEDULER_TESTING_H_

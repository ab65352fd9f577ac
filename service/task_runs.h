// The runs of tasks found for a minute or asked for by name (task_scan.h):
// their start records, their starts, their watch and their end records.
// One process starts every task itself and watches them all, so that a
// long one holds up no other's start or record; the records of many
// tasks are written under one hold of the task folder's lock
// (TaskStore::UpdateBatch), so that a thousand tasks due at once all start
// and all get their records.
#ifndef SERVICE_TASK_RUNS_H_
#define SERVICE_TASK_RUNS_H_

#include <time.h>
#include <windows.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/posix/descriptor-posix.h"
#include "platform/taskscheduler/job_file.h"
#include "service/run_events.h"
#include "service/task_launcher.h"
#include "service/task_output.h"
#include "service/task_store.h"

// A task found to run, or recorded as running by a run that may have
// ended unseen; it holds its run lock from before its start record to
// after its end record.
struct FoundTask {
  std::wstring file_name;
  std::string name;
  JobFile job;  // as read when found: which task this is
  bool due = false;
  Descriptor lock;
  // What to run, or why not (`refusal`: the code its record gets).
  LaunchRequest request;
  DWORD refusal = 0;
  std::string refusal_text;
};

// How the runs went, for the exit status.
struct RunTally {
  int started = 0;      // processes started for programs
  int not_started = 0;  // of those, programs that could not start
  int interrupted = 0;  // and programs ended because the service was asked to
};

class TaskRuns {
 public:
  // Whether a due task, as stored now, under the folder's lock, is still
  // to start (not started meanwhile by another run-due).
  using StillDue = std::function<bool(const JobFile& stored)>;

  // `outputs`: where each task's output goes; none drops it.
  TaskRuns(TaskStore& store, TaskLauncher& launcher, TaskOutputs* outputs, RunReport& report,
           std::string folder_key, time_t now, StillDue still_due);
  ~TaskRuns();

  // Runs `tasks` to their ends and records them.
  RunTally Run(std::vector<std::unique_ptr<FoundTask>> tasks);

 private:
  struct TaskRun;
  void RecordStarts(const std::vector<TaskRun*>& chunk);
  void StartTasks(const std::vector<TaskRun*>& chunk);
  void TakeNews(std::chrono::milliseconds wait);
  void TellEnd(TaskRun& run, const TaskNews& news);
  void Ended(TaskRun* run);
  void CollectEnds(std::chrono::milliseconds wait);
  void RecordEnds();
  void DeleteIfDone(const FoundTask& task);

  TaskStore& store_;
  TaskLauncher& launcher_;
  TaskOutputs* outputs_;
  RunReport& report_;
  const std::string folder_key_;
  const time_t now_;
  const StillDue still_due_;
  std::vector<std::unique_ptr<TaskRun>> runs_;
  std::map<int, TaskRun*> running_;
  std::vector<TaskRun*> ended_;
  std::chrono::steady_clock::time_point first_ended_;
  RunTally tally_;
};

#endif  // SERVICE_TASK_RUNS_H_

// Where the service reads the stored tasks and writes a run's record back:
// the task folder that Jobwarden uses. The one place that touches it, and
// so the one that judges whether a task may be trusted at all (below).
#ifndef SERVICE_TASK_STORE_H_
#define SERVICE_TASK_STORE_H_

#include <sys/stat.h>
#include <sys/types.h>
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/taskscheduler/job_file.h"
#include "platform/taskscheduler/task_folder-posix.h"
#include "service/status_codes.h"

// Which stored tasks the service may run: the task folder and the .job
// file as read, each under the trust rule (trust_rule.h).
//
// Why the service, running as `service_user`, must not trust the task file
// `file` of the folder `folder` ("the task folder is writable by others");
// nothing when it may.
std::optional<std::string> TaskTrustRefusal(const struct stat& folder, const struct stat& file,
                                            uid_t service_user);

// One change of a batch: the task's file name, the change as Update takes
// it, and its result as Update would return it.
struct TaskChange {
  std::wstring file_name;
  std::function<bool(JobFile*)> change;
  HRESULT result = E_UNEXPECTED;
};

class TaskStore {
 public:
  // The most changes that one hold of the folder's lock covers: a
  // Jobwarden save waiting for the lock waits for one batch, not a minute's.
  static constexpr size_t kBatchSize = 128;

  virtual ~TaskStore() = default;

  // The tasks' file names ("<name>.job").
  virtual HRESULT List(std::vector<std::wstring>* file_names) = 0;

  // The stored task; ERROR_FILE_NOT_FOUND when it is gone, and
  // ERROR_INVALID_DATA when its file is no .job file.
  // TRUST_E_SUBJECT_NOT_TRUSTED when the service must not trust it
  // (TaskTrustRefusal): `refusal`, when given, then says why, and `job`
  // holds the task if it parses, to tell when it would have run, never to
  // run it.
  virtual HRESULT Read(const std::wstring& file_name, JobFile* job,
                       std::string* refusal = nullptr) = 0;

  // Lets `change` edit the stored task and saves the result atomically, as
  // one step that no other change to the task comes between; a deleted
  // task is not recreated (ERROR_FILE_NOT_FOUND), nor a task the service
  // must not trust changed (TRUST_E_SUBJECT_NOT_TRUSTED). `change` returns
  // false to leave it unsaved (S_FALSE); it must not wait for anything.
  virtual HRESULT Update(const std::wstring& file_name,
                         const std::function<bool(JobFile*)>& change) = 0;

  // Update for many tasks, in holds of the folder's lock of at most
  // kBatchSize changes, each hold written to disk once; each task judged
  // and changed as Update would, with its own result.
  virtual void UpdateBatch(std::vector<TaskChange>* changes) = 0;

  // Removes the stored task when `which` says it is the one meant, as one
  // step under the folder's lock, judged as Update judges a change: a task
  // replaced or deleted meanwhile is not removed (S_FALSE when `which`
  // refuses it, ERROR_FILE_NOT_FOUND when it is gone).
  virtual HRESULT Remove(const std::wstring& file_name,
                         const std::function<bool(const JobFile&)>& which) = 0;

  // Names the folder itself, however its path is spelled: the part of a
  // task's run lock that tells its folder.
  virtual HRESULT FolderKey(std::string* key) = 0;

  // The file name of the task `name` names, as Jobwarden finds a task to
  // delete: with or without ".job", in any case; ERROR_FILE_NOT_FOUND when
  // none.
  virtual HRESULT Find(const std::wstring& name, std::wstring* file_name) = 0;
};

// The tasks in a TaskFolder.
class FolderTaskStore : public TaskStore {
 public:
  // The folder as TaskFolder takes it; each store opens it for itself.
  FolderTaskStore(std::string path, bool create_parents)
      : folder_(std::move(path), create_parents) {}

  const std::string& path() const { return folder_.path(); }

  HRESULT List(std::vector<std::wstring>* file_names) override;
  HRESULT Read(const std::wstring& file_name, JobFile* job,
               std::string* refusal = nullptr) override;
  HRESULT Update(const std::wstring& file_name,
                 const std::function<bool(JobFile*)>& change) override;
  void UpdateBatch(std::vector<TaskChange>* changes) override;
  HRESULT Remove(const std::wstring& file_name,
                 const std::function<bool(const JobFile&)>& which) override;
  HRESULT FolderKey(std::string* key) override;
  HRESULT Find(const std::wstring& name, std::wstring* file_name) override;

 private:
  // The task's bytes, when the service may trust the file they were read
  // from and the folder; TRUST_E_SUBJECT_NOT_TRUSTED, with the reason,
  // when not.
  HRESULT ReadTrusted(const std::wstring& file_name, std::vector<uint8_t>* bytes,
                      StoredFile* identity, std::string* refusal);
  // The trusted task after `change`, ready to replace the file read;
  // S_FALSE when the change leaves it as it is.
  HRESULT Changed(const std::wstring& file_name, const std::function<bool(JobFile*)>& change,
                  std::vector<uint8_t>* bytes, StoredFile* identity);

  // Under the folder's lock from the read to `write`: the trusted task
  // after `change`, then what `write` does with it; as Changed, S_FALSE
  // when the change leaves it as it is.
  using LockedWrite =
      std::function<HRESULT(const TaskFolderLock&, const std::vector<uint8_t>&, StoredFile*)>;
  HRESULT ChangeLocked(const std::wstring& file_name, const std::function<bool(JobFile*)>& change,
                       const LockedWrite& write);

  TaskFolder folder_;
};

#endif  // SERVICE_TASK_STORE_H_

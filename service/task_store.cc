#include "service/task_store.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "platform/taskscheduler/task_folder_lock-posix.h"
#include "service/trust_rule.h"

HRESULT FolderTaskStore::List(std::vector<std::wstring>* file_names) {
  return folder_.ListTasks(file_names);
}

// Judged by the status of the very file that was read and of the folder
// the read went through: nothing is looked up by its path again.
HRESULT FolderTaskStore::ReadTrusted(const std::wstring& file_name, std::vector<uint8_t>* bytes,
                                     StoredFile* identity, std::string* refusal) {
  struct stat file = {};
  HRESULT result = folder_.ReadTask(file_name, bytes, identity, &file);
  if (FAILED(result))
    return result;
  struct stat folder = {};
  result = folder_.FolderStatus(&folder);
  if (FAILED(result))
    return result;
  if (std::optional<std::string> why = TaskTrustRefusal(folder, file, geteuid())) {
    *refusal = std::move(*why);
    return TRUST_E_SUBJECT_NOT_TRUSTED;
  }
  return S_OK;
}

// Called under the folder's lock, so that what is judged and changed is
// what the write replaces.
HRESULT FolderTaskStore::Changed(const std::wstring& file_name,
                                 const std::function<bool(JobFile*)>& change,
                                 std::vector<uint8_t>* bytes, StoredFile* identity) {
  std::string refusal;
  const HRESULT result = ReadTrusted(file_name, bytes, identity, &refusal);
  if (FAILED(result))
    return result;
  JobFile job;
  if (!ParseJobFile(bytes->data(), bytes->size(), &job))
    return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
  if (!change(&job))
    return S_FALSE;
  *bytes = SerializeJobFile(job);
  if (bytes->empty())
    return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
  return S_OK;
}

HRESULT FolderTaskStore::Read(const std::wstring& file_name, JobFile* job, std::string* refusal) {
  std::vector<uint8_t> bytes;
  std::string why;
  const HRESULT read = ReadTrusted(file_name, &bytes, nullptr, &why);
  if (read == TRUST_E_SUBJECT_NOT_TRUSTED) {
    // Parsing is bounded and safe on any bytes; what it yields only tells
    // when the task would have run.
    if (!ParseJobFile(bytes.data(), bytes.size(), job))
      *job = JobFile();
    if (refusal)
      *refusal = std::move(why);
    return read;
  }
  if (FAILED(read))
    return read;
  if (!ParseJobFile(bytes.data(), bytes.size(), job))
    return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
  return S_OK;
}

// Under the folder's lock from the read to the write, so that no other
// writer (a /delete, another run-due recording the same task) comes in
// between; the write replaces only the very file that was read, and only
// one that the service trusts.
HRESULT FolderTaskStore::Update(const std::wstring& file_name,
                                const std::function<bool(JobFile*)>& change) {
  return ChangeLocked(
      file_name, change,
      [&](const TaskFolderLock& lock, const std::vector<uint8_t>& bytes, StoredFile* identity) {
        return folder_.ReplaceTaskLocked(lock, file_name, bytes, identity);
      });
}

HRESULT FolderTaskStore::ChangeLocked(const std::wstring& file_name,
                                      const std::function<bool(JobFile*)>& change,
                                      const LockedWrite& write) {
  TaskFolderLock lock;
  HRESULT result = folder_.Lock(&lock);
  if (FAILED(result))
    return result;
  std::vector<uint8_t> bytes;
  StoredFile identity;
  result = Changed(file_name, change, &bytes, &identity);
  if (result != S_OK)
    return result;
  return write(lock, bytes, &identity);
}

void FolderTaskStore::UpdateBatch(std::vector<TaskChange>* changes) {
  for (size_t first = 0; first < changes->size(); first += kBatchSize) {
    const size_t end = std::min(changes->size(), first + kBatchSize);
    TaskFolderLock lock;
    const HRESULT locked = folder_.Lock(&lock);
    std::vector<TaskReplacement> batch;
    std::vector<TaskChange*> replaced;
    for (size_t i = first; i < end; ++i) {
      TaskChange& change = (*changes)[i];
      if (FAILED(locked)) {
        change.result = locked;
        continue;
      }
      TaskReplacement file;
      file.file_name = change.file_name;
      change.result = Changed(change.file_name, change.change, &file.bytes, &file.stored);
      if (change.result != S_OK)
        continue;
      batch.push_back(std::move(file));
      replaced.push_back(&change);
    }
    folder_.ReplaceTasksLocked(lock, &batch);
    for (size_t i = 0; i < batch.size(); ++i)
      replaced[i]->result = batch[i].result;
  }
}

// The file removed is the very one read and judged under the lock.
HRESULT FolderTaskStore::Remove(const std::wstring& file_name,
                                const std::function<bool(const JobFile&)>& which) {
  return ChangeLocked(
      file_name, [&which](JobFile* job) { return which(*job); },
      [&](const TaskFolderLock& lock, const std::vector<uint8_t>& bytes, StoredFile* identity) {
        return folder_.RemoveTaskLocked(lock, file_name, bytes, *identity);
      });
}

HRESULT FolderTaskStore::FolderKey(std::string* key) {
  StoredFile identity;
  const HRESULT result = folder_.Identity(&identity);
  if (FAILED(result))
    return result;
  *key = std::to_string(identity.device) + ":" + std::to_string(identity.inode);
  return S_OK;
}

HRESULT FolderTaskStore::Find(const std::wstring& name, std::wstring* file_name) {
  return FindTaskFile(folder_, name, file_name);
}

std::optional<std::string> TaskTrustRefusal(const struct stat& folder, const struct stat& file,
                                            uid_t service_user) {
  if (auto refusal = TrustRefusal("the task folder", folder, EntryKind::kFolder, service_user))
    return refusal;
  return TrustRefusal("the file", file, EntryKind::kFile, service_user);
}

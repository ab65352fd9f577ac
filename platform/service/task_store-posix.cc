#include "platform/service/task_store-posix.h"

#include <algorithm>

#include "platform/taskscheduler/task_folder_lock-posix.h"

namespace {

// The stored task after `change`, ready to replace the file read; S_FALSE
// when the change leaves it as it is.
HRESULT Changed(TaskFolder& folder, const std::wstring& file_name,
                const std::function<bool(JobFile*)>& change, std::vector<uint8_t>* bytes,
                StoredFile* identity) {
  const HRESULT result = folder.ReadTask(file_name, bytes, identity);
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

}  // namespace

HRESULT FolderTaskStore::List(std::vector<std::wstring>* file_names) {
  return folder_.ListTasks(file_names);
}

HRESULT FolderTaskStore::Read(const std::wstring& file_name, JobFile* job) {
  std::vector<uint8_t> bytes;
  const HRESULT read = folder_.ReadTask(file_name, &bytes);
  if (FAILED(read))
    return read;
  if (!ParseJobFile(bytes.data(), bytes.size(), job))
    return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
  return S_OK;
}

// Under the folder's lock from the read to the write, so that no other
// writer (a /delete, another run-due recording the same task) comes in
// between; the write replaces only the very file that was read.
HRESULT FolderTaskStore::Update(const std::wstring& file_name,
                                const std::function<bool(JobFile*)>& change) {
  TaskFolderLock lock;
  HRESULT result = folder_.Lock(&lock);
  if (FAILED(result))
    return result;
  std::vector<uint8_t> bytes;
  StoredFile identity;
  result = Changed(folder_, file_name, change, &bytes, &identity);
  if (result != S_OK)
    return result;
  return folder_.ReplaceTaskLocked(lock, file_name, bytes, &identity);
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
      change.result = Changed(folder_, change.file_name, change.change, &file.bytes, &file.stored);
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

HRESULT FolderTaskStore::FolderKey(std::string* key) {
  StoredFile identity;
  const HRESULT result = folder_.Identity(&identity);
  if (FAILED(result))
    return result;
  *key = std::to_string(identity.device) + ":" + std::to_string(identity.inode);
  return S_OK;
}

#include "platform/service/task_store-posix.h"

#include "platform/taskscheduler/task_folder_lock-posix.h"

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
  result = folder_.ReadTask(file_name, &bytes, &identity);
  if (FAILED(result))
    return result;
  JobFile job;
  if (!ParseJobFile(bytes.data(), bytes.size(), &job))
    return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
  if (!change(&job))
    return S_FALSE;
  bytes = SerializeJobFile(job);
  if (bytes.empty())
    return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
  return folder_.ReplaceTaskLocked(lock, file_name, bytes, &identity);
}

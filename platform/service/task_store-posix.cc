#include "task_store-posix.h"

#include "hresults.h"

HRESULT FolderTaskStore::List(std::vector<std::wstring>* file_names) {
  return folder_.ListTasks(file_names);
}

HRESULT FolderTaskStore::Read(const std::wstring& file_name, JobFile* job) {
  std::vector<uint8_t> bytes;
  const HRESULT read = folder_.ReadTask(file_name, &bytes);
  if (FAILED(read))
    return read;
  if (!ParseJobFile(bytes.data(), bytes.size(), job))
    return HRESULT_INVALID_DATA;
  return S_OK;
}

// Between the read and the replacing write a /delete can still slip in and
// be undone; an exclusive lock on the folder held across both closes that.
HRESULT FolderTaskStore::Update(const std::wstring& file_name,
                                const std::function<bool(JobFile*)>& change) {
  JobFile job;
  const HRESULT read = Read(file_name, &job);
  if (FAILED(read))
    return read;
  if (!change(&job))
    return S_FALSE;
  const std::vector<uint8_t> bytes = SerializeJobFile(job);
  if (bytes.empty())
    return HRESULT_INVALID_DATA;
  return folder_.WriteTask(file_name, bytes, TaskFolder::WriteMode::kReplace);
}

#include "platform/taskscheduler/task_folder-posix.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <utility>

#include "platform/posix/descriptor-posix.h"
#include "platform/posix/hresult_from_errno-posix.h"
#include "platform/posix/wide_text.h"
#include "platform/taskscheduler/atomic_publish-posix.h"
#include "platform/taskscheduler/change_stamp-posix.h"
#include "platform/taskscheduler/task_folder_location-posix.h"
#include "platform/taskscheduler/task_folder_lock-posix.h"
#include "platform/taskscheduler/task_folder_lookup-posix.h"
#include "platform/taskscheduler/task_name.h"

TaskFolder::TaskFolder(std::string path, bool create_parents)
    : path_(std::move(path)), create_parents_(create_parents) {}

std::shared_ptr<TaskFolder> TaskFolder::FromEnvironment() {
  bool is_default = false;
  std::string path = TaskFolderPathFromEnvironment(&is_default);
  return std::make_shared<TaskFolder>(std::move(path), is_default);
}

HRESULT TaskFolder::CreateFolder() const {
  // Owner-only: the files name accounts and programs run on the user's
  // behalf.
  size_t start = create_parents_ ? 1 : path_.size();
  for (size_t slash = path_.find('/', start);; slash = path_.find('/', slash + 1)) {
    std::string prefix = slash == std::string::npos ? path_ : path_.substr(0, slash);
    if (!prefix.empty() && mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST)
      return errno == ENOENT ? HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND) : HresultFromErrno(errno);
    if (slash == std::string::npos)
      return S_OK;
  }
}

// The one place the folder is reached by its path: once opened, the
// descriptor serves every later step, whatever happens to the path.
HRESULT TaskFolder::Open(bool create) {
  if (folder_.get() >= 0)
    return S_OK;
  if (path_.empty())
    return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
  for (int attempt = 0; attempt < 2; ++attempt) {
    int opened = open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (opened >= 0) {
      folder_.Reset(opened);
      return S_OK;
    }
    if (errno != ENOENT)
      return HresultFromErrno(errno);
    if (!create)
      return S_FALSE;
    HRESULT created = CreateFolder();
    if (FAILED(created))
      return created;
  }
  return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
}

HRESULT TaskFolder::ListTasks(std::vector<std::wstring>* file_names) {
  file_names->clear();
  HRESULT result = Open(false);
  if (result != S_OK)
    return SUCCEEDED(result) ? S_OK : result;
  return ListTaskFiles(folder_.get(), file_names);
}

HRESULT TaskFolder::FindTakenName(const std::wstring& file_name, FolderScan* scan) {
  *scan = FolderScan();
  HRESULT result = Open(false);
  if (result != S_OK)
    return SUCCEEDED(result) ? S_FALSE : result;
  std::string exact = Utf8FromWide(file_name);
  struct stat info = {};
  if (IsPlainEntryName(exact) &&
      fstatat(folder_.get(), exact.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0)
    return S_OK;
  TakeChangeStamp(folder_.get(), &scan->stamp);
  NameMatches matches;
  result = ScanFolder(folder_.get(), file_name, &matches);
  if (FAILED(result))
    return result;
  if (matches.any) {
    // Only a scan that found the name free can stand in for the first
    // save's.
    *scan = FolderScan();
    return S_OK;
  }
  scan->temporary_files = std::move(matches.temporary_files);
  return S_FALSE;
}

HRESULT TaskFolder::FindTask(const std::wstring& file_name, std::wstring* found) {
  HRESULT result = Open(false);
  if (result != S_OK)
    return result;
  return FindTaskIn(folder_.get(), file_name, found);
}

HRESULT TaskFolder::ReadTask(const std::wstring& file_name, std::vector<uint8_t>* bytes,
                             StoredFile* identity, struct stat* status) {
  bytes->clear();
  HRESULT result = Open(false);
  if (result != S_OK)
    return SUCCEEDED(result) ? HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) : result;
  // Callers may pass a name as the user gave it, not only one found in the
  // folder.
  std::string name = Utf8FromWide(file_name);
  if (!IsPlainEntryName(name))
    return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
  // O_NONBLOCK: a FIFO planted under a task's name must not hang us before
  // fstat can tell that it is no task.
  Descriptor file(openat(folder_.get(), name.c_str(),
                         O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (file.get() < 0)
    return errno == ELOOP ? HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) : HresultFromErrno(errno);
  struct stat info = {};
  if (fstat(file.get(), &info) != 0)
    return HresultFromErrno(errno);
  if (!S_ISREG(info.st_mode))
    return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
  // Room for one byte past the size fstat gave, which may be stale, grown
  // as needed up to one byte past the limit. Not the limit at once: zeroing
  // 1 MiB for each task of a few hundred bytes cost more than reading it.
  bytes->resize(std::min(static_cast<size_t>(info.st_size), kMaxTaskFileSize) + 1);
  size_t filled = 0;
  for (;;) {
    if (filled == bytes->size()) {
      if (filled > kMaxTaskFileSize)
        break;
      bytes->resize(std::min(2 * filled, kMaxTaskFileSize + 1));
    }
    const size_t wanted = bytes->size() - filled;
    ssize_t count = read(file.get(), bytes->data() + filled, wanted);
    if (count < 0) {
      if (errno == EINTR)
        continue;
      return HresultFromErrno(errno);
    }
    filled += static_cast<size_t>(count);
    // A regular file reads short only at its end: no second read to learn
    // what the first already told, once per listed task.
    if (static_cast<size_t>(count) < wanted)
      break;
  }
  if (filled > kMaxTaskFileSize) {
    bytes->clear();
    return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
  }
  bytes->resize(filled);
  if (identity) {
    identity->device = info.st_dev;
    identity->inode = info.st_ino;
  }
  if (status)
    *status = info;
  return S_OK;
}

HRESULT TaskFolder::FolderStatus(struct stat* status) {
  HRESULT result = Open(false);
  if (result != S_OK)
    return SUCCEEDED(result) ? HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) : result;
  if (fstat(folder_.get(), status) != 0)
    return HresultFromErrno(errno);
  return S_OK;
}

// The save path, both saves: under the folder's lock, check that the name
// is still ours to write, write the task to a temporary file and flush it,
// rename it into place, flush the folder.

HRESULT TaskFolder::CreateTask(const std::wstring& file_name, const std::vector<uint8_t>& bytes,
                               const FolderScan& scan, StoredFile* stored) {
  HRESULT result = Open(true);
  if (FAILED(result))
    return result;
  TaskFolderLock lock;
  result = lock.Acquire(folder_.get());
  if (FAILED(result))
    return result;
  // Another process may have stored the name, in another case, since
  // NewWorkItem looked; the folder is case-sensitive, so the rename alone
  // would not notice. While the folder is as NewWorkItem saw it, its scan
  // still holds.
  std::vector<std::string> left_behind = scan.temporary_files;
  if (!IsUnchangedSince(folder_.get(), scan.stamp)) {
    NameMatches matches;
    result = ScanFolder(folder_.get(), file_name, &matches);
    if (FAILED(result))
      return result;
    RemoveTemporaryFiles(folder_.get(), matches.temporary_files);
    if (matches.any) {
      MarkChanged(folder_.get());
      return HRESULT_FROM_WIN32(ERROR_FILE_EXISTS);
    }
    left_behind.clear();
  }
  RemoveTemporaryFiles(folder_.get(), left_behind);
  std::string temporary;
  StoredFile written;
  result = WriteTemporaryFile(folder_.get(), bytes, &temporary, &written);
  if (FAILED(result))
    return result;
  result = PublishNew(folder_.get(), temporary, Utf8FromWide(file_name));
  MarkChanged(folder_.get());
  if (FAILED(result))
    return result;
  fsync(folder_.get());  // Makes the new name durable; the data already is.
  *stored = written;
  return S_OK;
}

HRESULT TaskFolder::ReplaceTask(const std::wstring& file_name, const std::vector<uint8_t>& bytes,
                                StoredFile* stored) {
  TaskFolderLock lock;
  HRESULT result = Lock(&lock);
  if (FAILED(result))
    return result;
  return ReplaceTaskLocked(lock, file_name, bytes, stored);
}

HRESULT TaskFolder::Lock(TaskFolderLock* lock) {
  HRESULT result = Open(false);
  if (result != S_OK)
    return SUCCEEDED(result) ? HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) : result;
  return lock->Acquire(folder_.get());
}

HRESULT TaskFolder::ReplaceTaskLocked(const TaskFolderLock& lock, const std::wstring& file_name,
                                      const std::vector<uint8_t>& bytes, StoredFile* stored) {
  if (!lock.held() || folder_.get() < 0)
    return E_UNEXPECTED;
  // A task deleted (or replaced) since this object stored or read it stays
  // so: a delete that reported success is never undone.
  const std::string final_name = Utf8FromWide(file_name);
  if (!IsPlainEntryName(final_name) || !IsStoredFile(folder_.get(), final_name, *stored, bytes))
    return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
  std::string temporary;
  StoredFile written;
  HRESULT result = WriteTemporaryFile(folder_.get(), bytes, &temporary, &written);
  if (FAILED(result))
    return result;
  result = PublishReplacing(folder_.get(), temporary, final_name);
  MarkChanged(folder_.get());
  if (FAILED(result))
    return result;
  fsync(folder_.get());
  *stored = written;
  return S_OK;
}

HRESULT TaskFolder::RemoveTaskLocked(const TaskFolderLock& lock, const std::wstring& file_name,
                                     const std::vector<uint8_t>& bytes, const StoredFile& stored) {
  if (!lock.held() || folder_.get() < 0)
    return E_UNEXPECTED;
  const std::string name = Utf8FromWide(file_name);
  if (!IsPlainEntryName(name) || !IsStoredFile(folder_.get(), name, stored, bytes))
    return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
  if (unlinkat(folder_.get(), name.c_str(), 0) != 0)
    return HresultFromErrno(errno);
  MarkChanged(folder_.get());
  fsync(folder_.get());
  return S_OK;
}

void TaskFolder::ReplaceTasksLocked(const TaskFolderLock& lock,
                                    std::vector<TaskReplacement>* batch) {
  // A writer killed in the middle of a batch (run-due's records) leaves up
  // to a batch of temporary files; under the lock, every one is such.
  NameMatches left_behind;
  if (lock.held() && folder_.get() >= 0 && SUCCEEDED(ScanFolder(folder_.get(), L"", &left_behind)))
    RemoveTemporaryFiles(folder_.get(), left_behind.temporary_files);
  std::vector<std::string> temporaries(batch->size());
  std::vector<StoredFile> written(batch->size());
  bool any_written = false;
  for (size_t i = 0; i < batch->size(); ++i) {
    TaskReplacement& file = (*batch)[i];
    const std::string final_name = Utf8FromWide(file.file_name);
    if (!lock.held() || folder_.get() < 0) {
      file.result = E_UNEXPECTED;
    } else if (!IsPlainEntryName(final_name) ||
               !IsStoredFile(folder_.get(), final_name, file.stored, file.bytes)) {
      file.result = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    } else {
      file.result = WriteTemporaryFile(folder_.get(), file.bytes, &temporaries[i], &written[i],
                                       Flush::kLater);
      any_written = any_written || SUCCEEDED(file.result);
    }
  }
  if (!any_written)
    return;
  const HRESULT flushed = FlushFolderFiles(folder_.get());
  for (size_t i = 0; i < batch->size(); ++i) {
    TaskReplacement& file = (*batch)[i];
    if (FAILED(file.result))
      continue;
    file.result = FAILED(flushed) ? flushed
                                  : PublishReplacing(folder_.get(), temporaries[i],
                                                     Utf8FromWide(file.file_name));
    if (FAILED(flushed))
      unlinkat(folder_.get(), temporaries[i].c_str(), 0);
    else if (SUCCEEDED(file.result))
      file.stored = written[i];
  }
  MarkChanged(folder_.get());
  fsync(folder_.get());
}

HRESULT TaskFolder::Identity(StoredFile* identity) {
  const HRESULT result = Open(false);
  if (result != S_OK)
    return SUCCEEDED(result) ? HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) : result;
  struct stat info = {};
  if (fstat(folder_.get(), &info) != 0)
    return HresultFromErrno(errno);
  identity->device = info.st_dev;
  identity->inode = info.st_ino;
  return S_OK;
}

HRESULT TaskFolder::RemoveTask(const std::vector<std::wstring>& candidates) {
  HRESULT result = Open(false);
  if (result != S_OK)
    return SUCCEEDED(result) ? HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) : result;
  TaskFolderLock lock;
  result = lock.Acquire(folder_.get());
  if (FAILED(result))
    return result;
  for (const std::wstring& candidate : candidates) {
    std::wstring found;
    result = FindTaskIn(folder_.get(), candidate, &found);
    if (FAILED(result))
      return result;
    if (result == S_FALSE)
      continue;
    // Should a link replace the file after the lookup, unlinkat removes the
    // link itself, never its target.
    if (unlinkat(folder_.get(), Utf8FromWide(found).c_str(), 0) != 0)
      return HresultFromErrno(errno);
    MarkChanged(folder_.get());
    return S_OK;
  }
  return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
}

std::vector<std::wstring> TaskFileCandidates(const std::wstring& name) {
  std::vector<std::wstring> candidates;
  if (HasJobExtension(name))
    candidates.push_back(name);
  candidates.push_back(TaskFileName(name));
  return candidates;
}

HRESULT FindTaskFile(TaskFolder& folder, const std::wstring& name, std::wstring* file_name) {
  if (name.empty())
    return E_INVALIDARG;
  for (const std::wstring& candidate : TaskFileCandidates(name)) {
    HRESULT result = folder.FindTask(candidate, file_name);
    if (FAILED(result))
      return result;
    if (result == S_OK)
      return S_OK;
  }
  return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
}

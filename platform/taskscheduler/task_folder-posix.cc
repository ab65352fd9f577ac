#include "task_folder-posix.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <pwd.h>
#include <stdio.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <cstdlib>
#include <utility>

#include "case_fold.h"
#include "change_stamp-posix.h"
#include "descriptor-posix.h"
#include "job_file.h"
#include "random_bytes.h"
#include "task_folder_lock-posix.h"
#include "task_name.h"
#include "wide_text.h"

namespace {

std::string EnvironmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string HomeDirectory() {
  std::string home = EnvironmentValue("HOME");
  if (!home.empty())
    return home;
  std::vector<char> buffer(16384);
  passwd entry = {};
  passwd* result = nullptr;
  if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &result) == 0 && result &&
      result->pw_dir)
    return result->pw_dir;
  return "";
}

bool IsDotOrDotDot(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Calls `visit(name, type)` for each entry but "." and "..", as readdir
// hands them out: a scan that only compares never copies a name. `type` is
// readdir's d_type, DT_UNKNOWN where the file system does not tell.
template <typename Visit>
HRESULT VisitEntries(int folder_fd, Visit visit) {
  // fdopendir takes the descriptor over; the caller keeps its own.
  int listing_fd = dup(folder_fd);
  if (listing_fd < 0)
    return HresultFromErrno(errno);
  DIR* dir = fdopendir(listing_fd);
  if (!dir) {
    int error = errno;
    close(listing_fd);
    return HresultFromErrno(error);
  }
  rewinddir(dir);
  HRESULT result = S_OK;
  for (;;) {
    errno = 0;
    dirent* entry = readdir(dir);
    if (!entry) {
      if (errno != 0)
        result = HresultFromErrno(errno);
      break;
    }
    if (!IsDotOrDotDot(entry->d_name))
      visit(entry->d_name, entry->d_type);
  }
  closedir(dir);
  return result;
}

bool IsRegularFile(int folder_fd, const std::string& name) {
  struct stat info = {};
  return fstatat(folder_fd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
         S_ISREG(info.st_mode);
}

// Spares the listing a stat of each task where readdir already told.
bool IsRegularFile(int folder_fd, const char* name, unsigned char type) {
  if (type != DT_UNKNOWN)
    return type == DT_REG;
  return IsRegularFile(folder_fd, name);
}

bool WriteAll(int fd, const std::vector<uint8_t>& bytes, int* error) {
  size_t written = 0;
  while (written < bytes.size()) {
    ssize_t count = write(fd, bytes.data() + written, bytes.size() - written);
    if (count < 0) {
      if (errno == EINTR)
        continue;
      *error = errno;
      return false;
    }
    written += static_cast<size_t>(count);
  }
  return true;
}

constexpr char kTemporaryPrefix[] = ".jobwarden-";
constexpr char kTemporarySuffix[] = ".tmp";
constexpr size_t kTemporaryRandomDigits = 16;

// A name no listing takes for a task (it does not end in ".job") and that
// stays short whatever the task's name.
std::string TemporaryName() {
  uint8_t random[kTemporaryRandomDigits / 2];
  RandomBytes(random, sizeof random);
  static const char kHex[] = "0123456789abcdef";
  std::string name = kTemporaryPrefix;
  for (uint8_t byte : random) {
    name += kHex[byte >> 4];
    name += kHex[byte & 0xF];
  }
  return name + kTemporarySuffix;
}

// Whether `name` is one that TemporaryName makes: only those are ever
// removed as left behind, never a file of the user's.
bool IsTemporaryName(const char* name) {
  const size_t prefix = sizeof kTemporaryPrefix - 1;
  const size_t suffix = sizeof kTemporarySuffix - 1;
  if (std::strlen(name) != prefix + kTemporaryRandomDigits + suffix ||
      std::strncmp(name, kTemporaryPrefix, prefix) != 0 ||
      std::strcmp(name + prefix + kTemporaryRandomDigits, kTemporarySuffix) != 0)
    return false;
  for (size_t i = prefix; i < prefix + kTemporaryRandomDigits; ++i) {
    const char c = name[i];
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
      return false;
  }
  return true;
}

// Temporary files live only while their writer holds the folder's lock,
// which the caller now holds: these were left by writers that died.
void RemoveTemporaryFiles(int folder_fd, const std::vector<std::string>& names) {
  for (const std::string& name : names)
    unlinkat(folder_fd, name.c_str(), 0);  // gone already is as good
}

// Writes `bytes` to a new temporary file in the folder and flushes it to
// disk, so that a rename or link publishes complete content only.
// `identity` receives the file's, which the rename keeps.
HRESULT WriteTemporaryFile(int folder_fd, const std::vector<uint8_t>& bytes,
                           std::string* temporary, StoredFile* identity) {
  Descriptor file;
  for (int attempt = 0; attempt < 16 && file.get() < 0; ++attempt) {
    *temporary = TemporaryName();
    file.Reset(openat(folder_fd, temporary->c_str(),
                      O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (file.get() < 0 && errno != EEXIST)
      return HresultFromErrno(errno);
  }
  if (file.get() < 0)
    return HresultFromErrno(EEXIST);
  int error = 0;
  struct stat info = {};
  if (!WriteAll(file.get(), bytes, &error) || fsync(file.get()) != 0 ||
      fstat(file.get(), &info) != 0 || close(file.Release()) != 0) {
    if (error == 0)
      error = errno;
    unlinkat(folder_fd, temporary->c_str(), 0);
    return HresultFromErrno(error);
  }
  identity->device = info.st_dev;
  identity->inode = info.st_ino;
  return S_OK;
}

// Gives the temporary file its final name only if that name is free, so
// that of two processes creating one task exactly one succeeds; the other
// gets EEXIST, which HresultFromErrno reports as ERROR_FILE_EXISTS.
HRESULT PublishNew(int folder_fd, const std::string& temporary, const std::string& final_name) {
  if (renameat2(folder_fd, temporary.c_str(), folder_fd, final_name.c_str(),
                RENAME_NOREPLACE) == 0)
    return S_OK;
  int error = errno;
  if (error != EINVAL && error != ENOSYS && error != ENOTSUP) {
    unlinkat(folder_fd, temporary.c_str(), 0);
    return HresultFromErrno(error);
  }
  // File systems without RENAME_NOREPLACE: link() refuses an existing name
  // just as atomically.
  int linked = linkat(folder_fd, temporary.c_str(), folder_fd, final_name.c_str(), 0);
  error = errno;
  unlinkat(folder_fd, temporary.c_str(), 0);
  return linked == 0 ? S_OK : HresultFromErrno(error);
}

HRESULT PublishReplacing(int folder_fd, const std::string& temporary,
                         const std::string& final_name) {
  // rename() replaces a symbolic link itself, never the file it points to.
  if (renameat(folder_fd, temporary.c_str(), folder_fd, final_name.c_str()) == 0)
    return S_OK;
  int error = errno;
  unlinkat(folder_fd, temporary.c_str(), 0);
  return HresultFromErrno(error);
}

// Whether `name` can only mean an entry of the folder itself: anything
// else must never reach a lookup relative to it.
bool IsPlainEntryName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find('/') == std::string::npos && name.find('\0') == std::string::npos;
}

// The entry named exactly `file_name`, when that is a regular file. Every
// name that Enum hands out, and every name typed in the case it was stored
// with, is found so with one lookup instead of a scan of the folder, which
// would make listing n tasks cost n scans.
bool FindRegularFileNamedExactly(int folder_fd, const std::wstring& file_name,
                                 std::wstring* found) {
  std::string name = Utf8FromWide(file_name);
  if (!IsPlainEntryName(name) || !IsRegularFile(folder_fd, name))
    return false;
  *found = WideFromUtf8(name);
  return true;
}

// What one pass over the folder found for one name, comparing each name as
// readdir hands it out. The least matching name wins, so that the same one
// does each time when several match; a minimum, not a sort, as every
// /create scans the folder.
struct NameMatches {
  bool any = false;  // an entry of any type
  std::string least_any;
  bool regular = false;  // a regular file: a task
  std::string least_regular;
  std::vector<std::string> temporary_files;
};

HRESULT ScanFolder(int folder_fd, const std::wstring& file_name, NameMatches* matches) {
  const std::wstring wanted = FoldCase(file_name);
  *matches = NameMatches();
  return VisitEntries(folder_fd, [&](const char* name, unsigned char type) {
    if (name[0] == '.' && IsTemporaryName(name)) {
      matches->temporary_files.push_back(name);
      return;
    }
    if (!FoldsTo(name, wanted))
      return;
    if (!matches->any || matches->least_any > name) {
      matches->least_any = name;
      matches->any = true;
    }
    if ((!matches->regular || matches->least_regular > name) &&
        IsRegularFile(folder_fd, name, type)) {
      matches->least_regular = name;
      matches->regular = true;
    }
  });
}

// FindTask's lookup in the folder open as `folder_fd`.
HRESULT FindTaskIn(int folder_fd, const std::wstring& file_name, std::wstring* found) {
  if (FindRegularFileNamedExactly(folder_fd, file_name, found))
    return S_OK;
  NameMatches matches;
  HRESULT result = ScanFolder(folder_fd, file_name, &matches);
  if (FAILED(result))
    return result;
  if (!matches.regular)
    return S_FALSE;
  *found = WideFromUtf8(matches.least_regular);
  return S_OK;
}

// Whether the entry `name` is still the file `stored` describes, holding
// the same job as `bytes` (by its UUID): an inode number freed by a delete
// may come back for another task stored under the name meanwhile.
bool IsStoredFile(int folder_fd, const std::string& name, const StoredFile& stored,
                  const std::vector<uint8_t>& bytes) {
  Descriptor file(openat(folder_fd, name.c_str(),
                         O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  struct stat info = {};
  if (file.get() < 0 || fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode) ||
      info.st_dev != stored.device || info.st_ino != stored.inode)
    return false;
  constexpr size_t kUuidEnd = kJobUuidOffset + kJobUuidSize;
  uint8_t header[kUuidEnd];
  return bytes.size() >= kUuidEnd &&
         pread(file.get(), header, kUuidEnd, 0) == static_cast<ssize_t>(kUuidEnd) &&
         std::memcmp(header + kJobUuidOffset, bytes.data() + kJobUuidOffset, kJobUuidSize) == 0;
}

}  // namespace

HRESULT HresultFromErrno(int error) {
  switch (error) {
    case ENOENT:
      return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    case ENOTDIR:
      return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
    case EACCES:
    case EPERM:
    case EROFS:
      return E_ACCESSDENIED;
    case ENOMEM:
      return E_OUTOFMEMORY;
    case EEXIST:
      return HRESULT_FROM_WIN32(ERROR_FILE_EXISTS);
    case ENOSPC:
    case EDQUOT:
      return HRESULT_FROM_WIN32(ERROR_DISK_FULL);
    case ENAMETOOLONG:
      return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    default:
      return E_FAIL;
  }
}

std::string TaskFolderPathFromEnvironment(bool* is_default) {
  std::string named = EnvironmentValue("JOBWARDEN_TASKS_DIR");
  *is_default = named.empty();
  if (!named.empty())
    return named;
  // The XDG rules ignore a relative XDG_DATA_HOME.
  std::string data_home = EnvironmentValue("XDG_DATA_HOME");
  if (data_home.empty() || data_home[0] != '/') {
    std::string home = HomeDirectory();
    if (home.empty())
      return "";
    data_home = home + "/.local/share";
  }
  return data_home + "/jobwarden/tasks";
}

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
  for (size_t slash = path_.find('/', start); ; slash = path_.find('/', slash + 1)) {
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
  std::vector<std::pair<std::wstring, std::wstring>> tasks;  // (folded, on disk)
  std::wstring wide;
  std::wstring task_name;  // both reused from entry to entry
  result = VisitEntries(folder_.get(), [&](const char* name, unsigned char type) {
    wide = WideFromUtf8(name);
    if (!HasJobExtension(wide))
      return;
    // A name NewWorkItem would refuse (a line break, a control character)
    // is no task of ours, and a listing must never print it.
    task_name.assign(wide, 0, wide.size() - kJobExtensionLength);
    if (IsValidTaskName(task_name) && IsRegularFile(folder_.get(), name, type))
      tasks.emplace_back(FoldCase(wide), wide);
  });
  if (FAILED(result))
    return result;
  std::sort(tasks.begin(), tasks.end());
  for (auto& task : tasks)
    file_names->push_back(std::move(task.second));
  return S_OK;
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
                             StoredFile* identity) {
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

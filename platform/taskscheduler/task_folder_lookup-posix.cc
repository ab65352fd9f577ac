#include "platform/taskscheduler/task_folder_lookup-posix.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <utility>

#include "platform/posix/hresult_from_errno-posix.h"
#include "platform/posix/wide_text.h"
#include "platform/taskscheduler/atomic_publish-posix.h"
#include "platform/taskscheduler/case_fold.h"
#include "platform/taskscheduler/task_name.h"

namespace {

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
  return fstatat(folder_fd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode);
}

// Spares the listing a stat of each task where readdir already told.
bool IsRegularFile(int folder_fd, const char* name, unsigned char type) {
  if (type != DT_UNKNOWN)
    return type == DT_REG;
  return IsRegularFile(folder_fd, name);
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

}  // namespace

bool IsPlainEntryName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
         name.find('\0') == std::string::npos;
}

HRESULT ListTaskFiles(int folder_fd, std::vector<std::wstring>* file_names) {
  std::vector<std::pair<std::wstring, std::wstring>> tasks;  // (folded, on disk)
  std::wstring wide;
  std::wstring task_name;  // both reused from entry to entry
  HRESULT result = VisitEntries(folder_fd, [&](const char* name, unsigned char type) {
    wide = WideFromUtf8(name);
    if (!HasJobExtension(wide))
      return;
    // A name NewWorkItem would refuse (a line break, a control character)
    // is no task of ours, and a listing must never print it.
    task_name.assign(wide, 0, wide.size() - kJobExtensionLength);
    if (IsValidTaskName(task_name) && IsRegularFile(folder_fd, name, type))
      tasks.emplace_back(FoldCase(wide), wide);
  });
  if (FAILED(result))
    return result;
  std::sort(tasks.begin(), tasks.end());
  for (auto& task : tasks)
    file_names->push_back(std::move(task.second));
  return S_OK;
}

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

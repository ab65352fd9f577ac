#include "platform/taskscheduler/atomic_publish-posix.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "platform/posix/descriptor-posix.h"
#include "platform/posix/hresult_from_errno-posix.h"
#include "platform/taskscheduler/job_file.h"
#include "platform/taskscheduler/random_bytes.h"

namespace {

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

}  // namespace

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

HRESULT WriteTemporaryFile(int folder_fd, const std::vector<uint8_t>& bytes, std::string* temporary,
                           StoredFile* identity, Flush flush) {
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
  if (!WriteAll(file.get(), bytes, &error) || (flush == Flush::kNow && fsync(file.get()) != 0) ||
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

HRESULT FlushFolderFiles(int folder_fd) {
  return syncfs(folder_fd) == 0 ? S_OK : HresultFromErrno(errno);
}

// The refusal is EEXIST, which HresultFromErrno reports as
// ERROR_FILE_EXISTS.
HRESULT PublishNew(int folder_fd, const std::string& temporary, const std::string& final_name) {
  if (renameat2(folder_fd, temporary.c_str(), folder_fd, final_name.c_str(), RENAME_NOREPLACE) == 0)
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

// An inode number freed by a delete may come back for another task stored
// under the name meanwhile: hence the UUID as well.
bool IsStoredFile(int folder_fd, const std::string& name, const StoredFile& stored,
                  const std::vector<uint8_t>& bytes) {
  Descriptor file(
      openat(folder_fd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
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

#include "service/state_file.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "service/trust_rule.h"

namespace {

std::string OpenError(const std::string& name) {
  return name + (errno == ELOOP || errno == ENOTDIR || errno == ENXIO
                     ? ": is a symbolic link or not a plain file or folder"
                     : std::string(": ") + std::strerror(errno));
}

}  // namespace

bool OpenStateFolder(int parent, const std::string& name, mode_t mode, Descriptor* folder,
                     std::string* why) {
  const bool created = mkdirat(parent, name.c_str(), mode) == 0;
  if (!created && errno != EEXIST) {
    *why = name + ": " + std::strerror(errno);
    return false;
  }
  Descriptor opened(openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  struct stat info = {};
  if (opened.get() < 0 || fstat(opened.get(), &info) != 0) {
    *why = OpenError(name);
    return false;
  }
  if (auto refusal = TrustRefusal(name, info, EntryKind::kFolder, geteuid())) {
    *why = *refusal;
    return false;
  }
  if (created)
    fchmod(opened.get(), mode);
  folder->Reset(opened.Release());
  return true;
}

bool OpenStateFile(int folder, const std::string& name, int flags, uid_t owner, Descriptor* file,
                   std::string* why) {
  Descriptor opened(
      openat(folder, name.c_str(), flags | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0600));
  struct stat info = {};
  if (opened.get() < 0 || fstat(opened.get(), &info) != 0) {
    *why = OpenError(name);
    return false;
  }
  if (auto refusal = TrustRefusal(name, info, EntryKind::kFile, owner)) {
    *why = *refusal;
    return false;
  }
  file->Reset(opened.Release());
  return true;
}

bool UpdateStateNote(int folder, const std::string& name,
                     const std::function<std::optional<std::string>(const std::string&)>& update,
                     std::string* why) {
  Descriptor file;
  if (!OpenStateFile(folder, name, O_RDWR | O_CREAT, geteuid(), &file, why))
    return false;
  int locked;
  do {
    locked = flock(file.get(), LOCK_EX);
  } while (locked != 0 && errno == EINTR);
  // A note is a line or two; more is not one of ours.
  char buffer[512];
  const ssize_t got = locked == 0 ? pread(file.get(), buffer, sizeof(buffer), 0) : -1;
  if (got < 0 || got == static_cast<ssize_t>(sizeof(buffer))) {
    *why = name + ": " + (got < 0 ? std::strerror(errno) : "not a note of the service's");
    return false;
  }
  const std::optional<std::string> text = update(std::string(buffer, static_cast<size_t>(got)));
  if (!text)
    return true;
  if (pwrite(file.get(), text->data(), text->size(), 0) != static_cast<ssize_t>(text->size()) ||
      ftruncate(file.get(), static_cast<off_t>(text->size())) != 0) {
    *why = name + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

std::vector<std::string> LastLines(int fd, size_t count, off_t max_bytes,
                                   const std::function<bool(std::string_view)>& keep) {
  struct stat info = {};
  if (fstat(fd, &info) != 0 || count == 0)
    return {};
  const off_t start = std::max<off_t>(0, info.st_size - max_bytes);
  std::string text(static_cast<size_t>(info.st_size - start), '\0');
  size_t got = 0;
  while (got < text.size()) {
    const ssize_t n = pread(fd, text.data() + got, text.size() - got, start + got);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      break;
    got += static_cast<size_t>(n);
  }
  text.resize(got);
  size_t begin = 0;
  if (start > 0)
    begin = text.find('\n') == std::string::npos ? text.size() : text.find('\n') + 1;
  std::vector<std::string> lines;
  while (begin < text.size()) {
    size_t end = text.find('\n', begin);
    if (end == std::string::npos)
      end = text.size();
    const std::string_view line(text.data() + begin, end - begin);
    if (!keep || keep(line))
      lines.emplace_back(line);
    begin = end + 1;
  }
  if (lines.size() > count)
    lines.erase(lines.begin(), lines.end() - static_cast<std::ptrdiff_t>(count));
  return lines;
}

std::string TaskStateKey(const std::string& folder_key, const std::string& task) {
  uint64_t hash = 14695981039346656037ull;
  for (unsigned char c : folder_key + '\0' + task) {
    hash ^= c;
    hash *= 1099511628211ull;
  }
  char key[32];
  std::snprintf(key, sizeof(key), "%016llx", static_cast<unsigned long long>(hash));
  return key;
}

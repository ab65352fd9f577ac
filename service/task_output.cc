#include "service/task_output.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "service/state_file.h"

namespace {

constexpr size_t kLongestName = 64;

bool IsSafe(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
         c == '-' || c == '_';
}

}  // namespace

std::string TaskOutputs::FileName(const std::string& folder_key, const std::string& task) {
  std::string name = task.substr(0, kLongestName);
  for (char& c : name) {
    if (!IsSafe(c))
      c = '_';
  }
  return name + "-" + TaskStateKey(folder_key, task) + ".out";
}

std::string TaskOutputs::Path(const std::string& folder_key, const std::string& task) const {
  return folder_path_ + "/" + kFolderName + "/" + FileName(folder_key, task);
}

bool TaskOutputs::OpenFolder(std::string* why) {
  return output_folder_.get() >= 0 ||
         OpenStateFolder(folder_, kFolderName, 0711, &output_folder_, why);
}

bool TaskOutputs::Open(const std::string& folder_key, const std::string& task,
                       const Account& account, Descriptor* output, std::string* why) {
  if (!OpenFolder(why))
    return false;
  const std::string name = FileName(folder_key, task);
  // Created anew (O_EXCL): whatever was there, nothing of it is reused.
  if (unlinkat(output_folder_.get(), name.c_str(), 0) != 0 && errno != ENOENT) {
    *why = name + ": " + std::strerror(errno);
    return false;
  }
  Descriptor file;
  if (!OpenStateFile(output_folder_.get(), name, O_RDWR | O_CREAT | O_EXCL, geteuid(), &file, why))
    return false;
  if (account.switch_user && account.uid != geteuid() &&
      fchown(file.get(), account.uid, account.gid) != 0) {
    *why = name + ": " + std::strerror(errno);
    return false;
  }
  output->Reset(file.Release());
  return true;
}

bool OutputFile::Failed() {
  if (error_ == 0)
    error_ = errno;
  return false;
}

bool OutputFile::Append(std::string_view data) {
  if (size_ + static_cast<off_t>(data.size()) > running_limit_)
    return KeepEnd(data);
  const ssize_t written = pwrite(fd_, data.data(), data.size(), size_);
  if (written > 0)
    size_ += written;
  if (written != static_cast<ssize_t>(data.size()))
    return written < 0 ? Failed() : (errno = ENOSPC, Failed());
  return true;
}

bool OutputFile::Finish() { return size_ <= limit_ || KeepEnd(""); }

bool OutputFile::KeepEnd(std::string_view more) {
  const off_t total = size_ + static_cast<off_t>(more.size());
  const off_t keep = std::min(total, limit_);
  const off_t from_file = std::max<off_t>(0, keep - static_cast<off_t>(more.size()));
  std::string tail(static_cast<size_t>(from_file), '\0');
  if (from_file > 0 && pread(fd_, tail.data(), tail.size(), size_ - from_file) != from_file)
    return Failed();
  tail.append(more.substr(more.size() - static_cast<size_t>(keep - from_file)));
  const size_t newline = tail.find('\n');
  if (newline != std::string::npos && newline + 1 < tail.size())
    tail.erase(0, newline + 1);
  if (pwrite(fd_, tail.data(), tail.size(), 0) != static_cast<ssize_t>(tail.size()) ||
      ftruncate(fd_, static_cast<off_t>(tail.size())) != 0)
    return Failed();
  size_ = static_cast<off_t>(tail.size());
  return true;
}

std::vector<std::string> TaskOutputs::ReadTail(const std::string& folder_key,
                                               const std::string& task, size_t count) {
  // `status` creates nothing: no folder yet, no output yet.
  struct stat folder_info = {};
  if (output_folder_.get() < 0 &&
      fstatat(folder_, kFolderName, &folder_info, AT_SYMLINK_NOFOLLOW) != 0)
    return {};
  std::string why;
  Descriptor file;
  if (!OpenFolder(&why) || !OpenStateFile(output_folder_.get(), FileName(folder_key, task),
                                          O_RDONLY, kAnyOwner, &file, &why))
    return {};
  return LastLines(file.get(), count, kLimit * 2);
}

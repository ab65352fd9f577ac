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
#include "service/trust_rule.h"

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

namespace {

// Tasks run as another account than the service's have a folder of their
// own, named for the account.
bool HasOwnFolder(const Account& account) {
  return account.switch_user && account.uid != geteuid() && !account.name.empty() &&
         account.name != "." && account.name != ".." && account.name.find('/') == std::string::npos;
}

}  // namespace

std::string TaskOutputs::FolderPath(const Account& account) const {
  const std::string folder = folder_path_ + "/" + kFolderName;
  return HasOwnFolder(account) ? folder + "/" + account.name : folder;
}

std::string TaskOutputs::Path(const std::string& folder_key, const std::string& task,
                              const Account& account) const {
  return FolderPath(account) + "/" + FileName(folder_key, task);
}

bool TaskOutputs::OpenFolder(std::string* why) {
  return output_folder_.get() >= 0 ||
         OpenStateFolder(folder_, kFolderName, 0711, &output_folder_, why);
}

// Made by root in root's output/, where no one else can put anything, and
// only then given to the account.
bool TaskOutputs::OpenAccountFolder(const Account& account, bool create, Descriptor* folder,
                                    std::string* why) {
  if (!OpenFolder(why))
    return false;
  if (!HasOwnFolder(account)) {
    folder->Reset(dup(output_folder_.get()));
    return folder->get() >= 0;
  }
  const char* name = account.name.c_str();
  const bool created = create && mkdirat(output_folder_.get(), name, 0700) == 0;
  folder->Reset(
      openat(output_folder_.get(), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  struct stat info = {};
  if (folder->get() < 0 || fstat(folder->get(), &info) != 0) {
    *why = account.name + ": " + std::strerror(errno);
    return false;
  }
  if (created && (fchown(folder->get(), account.uid, account.gid) != 0 ||
                  fchmod(folder->get(), 0700) != 0 || fstat(folder->get(), &info) != 0)) {
    *why = account.name + ": " + std::strerror(errno);
    return false;
  }
  if (auto refusal = TrustRefusal(account.name, info, EntryKind::kFolder, account.uid)) {
    *why = *refusal;
    return false;
  }
  return true;
}

bool TaskOutputs::Open(const std::string& folder_key, const std::string& task,
                       const Account& account, Descriptor* output, std::string* why) {
  Descriptor folder;
  if (!OpenAccountFolder(account, true, &folder, why))
    return false;
  const FileAccessAs as_account(account);
  const std::string name = FileName(folder_key, task);
  // Created anew (O_EXCL): whatever was there, nothing of it is reused.
  if (unlinkat(folder.get(), name.c_str(), 0) != 0 && errno != ENOENT) {
    *why = name + ": " + std::strerror(errno);
    return false;
  }
  const uid_t owner = HasOwnFolder(account) ? account.uid : geteuid();
  if (!OpenStateFile(folder.get(), name, O_RDWR | O_CREAT | O_EXCL, owner, output, why))
    return false;
  // An account whose name cannot name a folder keeps its file in output/,
  // given to it.
  if (!HasOwnFolder(account) && account.switch_user && account.uid != geteuid() &&
      fchown(output->get(), account.uid, account.gid) != 0) {
    *why = name + ": " + std::strerror(errno);
    output->Reset(-1);
    return false;
  }
  return true;
}

std::vector<std::string> TaskOutputs::ReadTail(const std::string& folder_key,
                                               const std::string& task, const Account& account,
                                               size_t count) {
  // `status` creates nothing: no folder yet, no output yet.
  struct stat folder_info = {};
  if (output_folder_.get() < 0 &&
      fstatat(folder_, kFolderName, &folder_info, AT_SYMLINK_NOFOLLOW) != 0)
    return {};
  std::string why;
  Descriptor folder, file;
  if (!OpenAccountFolder(account, false, &folder, &why))
    return {};
  const FileAccessAs as_account(account);
  if (!OpenStateFile(folder.get(), FileName(folder_key, task), O_RDONLY, kAnyOwner, &file, &why))
    return {};
  return LastLines(file.get(), count, kLimit * 2);
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

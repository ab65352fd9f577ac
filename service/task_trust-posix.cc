#include "service/task_trust-posix.h"

namespace {

bool IsTrustedOwner(uid_t owner, uid_t service_user) { return owner == 0 || owner == service_user; }

// `what` is "the task folder" or "the file".
std::optional<std::string> OwnerRefusal(const char* what, const struct stat& status,
                                        uid_t service_user) {
  const std::string subject = what;
  if (!IsTrustedOwner(status.st_uid, service_user))
    return subject + " is owned by uid " + std::to_string(status.st_uid);
  // Others first: of the two it lets more people in.
  if (status.st_mode & S_IWOTH)
    return subject + " is writable by others";
  if (status.st_mode & S_IWGRP)
    return subject + " is writable by its group";
  return std::nullopt;
}

}  // namespace

std::optional<std::string> TaskTrustRefusal(const struct stat& folder, const struct stat& file,
                                            uid_t service_user) {
  if (!S_ISDIR(folder.st_mode))
    return "the task folder is not a folder";
  if (std::optional<std::string> refusal = OwnerRefusal("the task folder", folder, service_user))
    return refusal;
  if (!S_ISREG(file.st_mode))
    return "the file is not a regular file";
  if (std::optional<std::string> refusal = OwnerRefusal("the file", file, service_user))
    return refusal;
  // A second name may lie in a folder that this folder's guard does not
  // cover, where it can be renamed or linked back in under any name.
  if (file.st_nlink != 1)
    return "the file has " + std::to_string(file.st_nlink) + " links";
  return std::nullopt;
}

#include "service/trust_rule.h"

std::optional<std::string> TrustRefusal(const std::string& what, const struct stat& status,
                                        EntryKind kind, uid_t service_user) {
  if (kind == EntryKind::kFolder && !S_ISDIR(status.st_mode))
    return what + " is not a folder";
  if (kind == EntryKind::kFile && !S_ISREG(status.st_mode))
    return what + " is not a regular file";
  if (service_user != kAnyOwner && status.st_uid != 0 && status.st_uid != service_user)
    return what + " is owned by uid " + std::to_string(status.st_uid);
  // Others first: of the two it lets more people in.
  if (status.st_mode & S_IWOTH)
    return what + " is writable by others";
  if (status.st_mode & S_IWGRP)
    return what + " is writable by its group";
  if (kind == EntryKind::kFile && status.st_nlink != 1)
    return what + " has " + std::to_string(status.st_nlink) + " links";
  return std::nullopt;
}

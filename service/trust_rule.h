// Whom the service trusts, as cron trusts a crontab (and as Windows guards
// its task folder with an access control list): a folder or file that
// someone else could have written could make the service run, read or
// write what that someone chose, under the service's account, which is
// often root. The one rule, for the task folder and its .job files and
// for the service's own state folder and the files in it:
//
// - a folder must be a folder, a file a regular file with one link (a
//   second name may lie in a folder whose guard does not cover it, where it
//   can be renamed or linked back in under any name);
// - it must be owned by the service's user or root (or, for a file made
//   for a task's account, by anyone: kAnyOwner);
// - and writable by no one else: no group or other write bit (a sticky
//   bit does not help).
//
// The facts are those of the very folder or file opened (fstat), never of
// a path looked up again.
#ifndef SERVICE_TRUST_RULE_H_
#define SERVICE_TRUST_RULE_H_

#include <sys/stat.h>
#include <sys/types.h>

#include <optional>
#include <string>

constexpr uid_t kAnyOwner = static_cast<uid_t>(-1);

enum class EntryKind { kFolder, kFile };

// Why `status`, of the folder or file that `what` names ("the task
// folder", "the file", "run.log"), is not to be trusted by a service
// running as `service_user`: "the task folder is writable by others";
// nothing when it is.
std::optional<std::string> TrustRefusal(const std::string& what, const struct stat& status,
                                        EntryKind kind, uid_t service_user);

#endif  // SERVICE_TRUST_RULE_H_

// Which stored tasks the service may run, decided as cron decides whether
// to trust a crontab (and as Windows guards its task folder with an access
// control list): the task folder must be owned by the service's user or
// root and writable by no one else, and the .job file a regular file with
// one link, owned by the service's user or root and writable by no one
// else. Anyone else who could write either could make the service run a
// program of theirs under its account, which is often root. The facts are
// those of the very folder and file that were read, never of a path looked
// up again.
#ifndef SERVICE_TASK_TRUST_POSIX_H_
#define SERVICE_TASK_TRUST_POSIX_H_

#include <sys/stat.h>
#include <sys/types.h>

#include <optional>
#include <string>

// Why the service, running as `service_user`, must not trust the task file
// `file` of the folder `folder` ("the task folder is writable by others");
// nothing when it may.
std::optional<std::string> TaskTrustRefusal(const struct stat& folder, const struct stat& file,
                                            uid_t service_user);

#endif  // SERVICE_TASK_TRUST_POSIX_H_

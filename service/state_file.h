// Folders and files under the service's state folder, opened as cron opens
// what it trusts: by descriptor from a folder already checked, never
// through a symbolic link, and refused unless they are what the service
// made (a folder only it can change, a plain file with one link).
#ifndef SERVICE_STATE_FILE_H_
#define SERVICE_STATE_FILE_H_

#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/posix/descriptor-posix.h"
#include "service/trust_rule.h"

// Opens the folder `name` of `parent`, creating it with `mode` (whatever
// the umask) when it is missing; it must pass the trust rule
// (trust_rule.h). `why` receives the reason of a failure.
bool OpenStateFolder(int parent, const std::string& name, mode_t mode, Descriptor* folder,
                     std::string* why);

// Opens the file `name` of `folder` with `flags` (O_NOFOLLOW, O_CLOEXEC
// and O_NONBLOCK added, so that a planted link or FIFO fails) and, when
// created, mode 0600; it must pass the trust rule for a file of `owner`
// (any owner: kAnyOwner).
bool OpenStateFile(int folder, const std::string& name, int flags, uid_t owner, Descriptor* file,
                   std::string* why);

// Replaces the text of the small note `name` of `folder` (the service's
// own, created when missing) by what `update` makes of it, under an
// exclusive flock, so that two runs never both take the same news;
// `update` gets the text (empty for a new note) and returns nothing to
// leave it as it is. `why` receives the reason of a failure.
bool UpdateStateNote(int folder, const std::string& name,
                     const std::function<std::optional<std::string>(const std::string&)>& update,
                     std::string* why);

// A task's part of a state file's name: 16 hex digits (FNV-1a, 64 bits)
// of the task folder's key (TaskStore::FolderKey) and the task's file
// name, the same for its run lock and its output.
std::string TaskStateKey(const std::string& folder_key, const std::string& task);

// The last `count` lines of the file open as `fd` that `keep` accepts (all
// without it), without their newlines; only its last `max_bytes` are read,
// and a line cut by that is left out.
std::vector<std::string> LastLines(int fd, size_t count, off_t max_bytes,
                                   const std::function<bool(std::string_view)>& keep = nullptr);

#endif  // SERVICE_STATE_FILE_H_

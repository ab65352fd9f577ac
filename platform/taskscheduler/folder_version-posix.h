// Whether a task folder changed since a scan of it, told by its change
// times, so that a first save can trust NewWorkItem's scan instead of
// reading every entry again.
#ifndef JOBWARDEN_PLATFORM_FOLDER_VERSION_POSIX_H
#define JOBWARDEN_PLATFORM_FOLDER_VERSION_POSIX_H

#include <sys/types.h>
#include <time.h>

// The state of the folder's entries that one case-blind scan saw, as far as
// the folder's change times tell. A new task's first save that finds the
// folder still so can trust the scan NewWorkItem made instead of reading
// every entry again, which at 10,000 tasks costs more than the rest of a
// /create together.
struct FolderVersion {
  // False when the times cannot tell a later change apart (see
  // folder_version-posix.cc): the save must scan.
  bool known = false;
  dev_t device = 0;
  ino_t inode = 0;
  timespec modified = {};
  timespec changed = {};
};

// Called under the folder's lock after every change of its entries: gives
// the folder a modification time that no change before had, so that even
// two changes within one tick of the kernel's coarse clock tell apart.
void MarkChanged(int folder_fd);

// The version of the folder open as `folder_fd`, taken before a scan.
void TakeVersion(int folder_fd, FolderVersion* version);

// Whether the folder open as `folder_fd` is the one `version` was taken of,
// unchanged since.
bool IsStillAt(int folder_fd, const FolderVersion& version);

#endif  // JOBWARDEN_PLATFORM_FOLDER_VERSION_POSIX_H

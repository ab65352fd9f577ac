// Whether a task folder changed since a scan of it, told by its change
// times, so that a first save can trust NewWorkItem's scan instead of
// reading every entry again.
#ifndef PLATFORM_TASKSCHEDULER_CHANGE_STAMP_POSIX_H_
#define PLATFORM_TASKSCHEDULER_CHANGE_STAMP_POSIX_H_

#include <sys/types.h>
#include <time.h>

// The state of the folder's entries that one case-blind scan saw, as far as
// the folder's change times tell. A new task's first save that finds the
// folder still so can trust the scan NewWorkItem made instead of reading
// every entry again, which at 10,000 tasks costs more than the rest of a
// /create together.
struct ChangeStamp {
  // False when the times cannot tell a later change apart (see
  // change_stamp-posix.cc): the save must scan.
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

// The change stamp of the folder open as `folder_fd`, taken before a scan.
void TakeChangeStamp(int folder_fd, ChangeStamp* stamp);

// Whether the folder open as `folder_fd` is the one `stamp` was taken of,
// unchanged since.
bool IsUnchangedSince(int folder_fd, const ChangeStamp& stamp);

#endif  // PLATFORM_TASKSCHEDULER_CHANGE_STAMP_POSIX_H_

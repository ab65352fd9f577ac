#include "platform/taskscheduler/change_stamp-posix.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>

namespace {

bool Earlier(const timespec& a, const timespec& b) {
  return a.tv_sec != b.tv_sec ? a.tv_sec < b.tv_sec : a.tv_nsec < b.tv_nsec;
}

bool SameTime(const timespec& a, const timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// Times in whole microseconds or coarser, as on FAT or on ext4 with small
// inodes: two changes within one such step get the same time, so the times
// cannot prove that nothing changed. (A time of a finer file system falls on
// a whole microsecond once in a thousand; both together, once in a million,
// and that costs only a scan.)
bool LooksTruncated(const struct stat& info) {
  return info.st_mtim.tv_nsec % 1000 == 0 && info.st_ctim.tv_nsec % 1000 == 0;
}

// Whether the folder's last change was marked by MarkChanged: a time of
// its own, not the kernel's stamp, which sets both times alike.
bool IsMarked(const struct stat& info) { return !SameTime(info.st_mtim, info.st_ctim); }

timespec Later(const timespec& a, const timespec& b) { return Earlier(a, b) ? b : a; }

timespec OneNanosecondAfter(timespec time) {
  if (++time.tv_nsec == 1000000000) {
    time.tv_nsec = 0;
    ++time.tv_sec;
  }
  return time;
}

}  // namespace

// The kernel stamps a change with its coarse clock, so two changes within
// one tick may leave the same times. Marked, the folder's modification time
// is the fine clock's, and always later than the one before: a change by
// any writer that takes the lock shows as a new stamp, however soon it
// follows the last. Setting a time needs the folder's owner; where we are
// not, the times stay the kernel's and TakeChangeStamp falls back on its tick
// rule.
void MarkChanged(int folder_fd) {
  struct stat info = {};
  timespec now = {};
  if (fstat(folder_fd, &info) != 0 || clock_gettime(CLOCK_REALTIME, &now) != 0)
    return;
  timespec times[2] = {{0, UTIME_OMIT}, Later(now, OneNanosecondAfter(info.st_mtim))};
  futimens(folder_fd, times);
}

// The folder's change stamp, taken before a scan so that any change the
// scan might miss shows as another stamp. A folder marked by MarkChanged
// gets a new modification time with every marked change, and one that is
// not the kernel's with any other. Unmarked, the kernel stamps a change
// with its coarse clock (one tick, a few milliseconds; or a finer time,
// never earlier than that clock) read at the change. So a folder whose last
// change is older than the coarse clock read before the fstat gets a
// different time from any later change, and its stamp is known; a folder
// changed within the current tick is not, and its first save scans again.
//
// The first save compares under the folder's lock, and every other writer
// changes the folder under it too, so between our own processes the
// shortcut is as good as a scan. What remains: a case variant of the name
// stored by a program that does not take the lock, on a file system with
// truncated or clock-skewed times (a network share), or after the clock was
// set back, within the same step of its times, can get past the first save.
// The same name in the same case never can, as the rename refuses it
// atomically.
void TakeChangeStamp(int folder_fd, ChangeStamp* stamp) {
  *stamp = ChangeStamp();
  timespec now = {};
  struct stat info = {};
  if (clock_gettime(CLOCK_REALTIME_COARSE, &now) != 0 || fstat(folder_fd, &info) != 0)
    return;
  if (LooksTruncated(info))
    return;
  // A folder last changed by the kernel's stamp within the current tick
  // could change again with the same times.
  if (!IsMarked(info) && (!Earlier(info.st_mtim, now) || !Earlier(info.st_ctim, now)))
    return;
  stamp->known = true;
  stamp->device = info.st_dev;
  stamp->inode = info.st_ino;
  stamp->modified = info.st_mtim;
  stamp->changed = info.st_ctim;
}

// Whether the folder open as `folder_fd` is the one `stamp` was taken of,
// unchanged since.
bool IsUnchangedSince(int folder_fd, const ChangeStamp& stamp) {
  struct stat info = {};
  return stamp.known && fstat(folder_fd, &info) == 0 && info.st_dev == stamp.device &&
         info.st_ino == stamp.inode && SameTime(info.st_mtim, stamp.modified) &&
         SameTime(info.st_ctim, stamp.changed);
}

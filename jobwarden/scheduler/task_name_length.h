// Whether a task name fits the task folder as a file name.
#ifndef JOBWARDEN_SCHEDULER_TASK_NAME_LENGTH_H_
#define JOBWARDEN_SCHEDULER_TASK_NAME_LENGTH_H_

#include <cstddef>

// A task is stored as the file "<name>.job" in the task folder,
// C:\WINDOWS\Tasks on a Windows installed as it comes (C:\WINNT\Tasks, two
// units shorter, on NT 4.0 and 2000), and a path in the Windows API is at
// most MAX_PATH units with its terminating NUL. A Task Scheduler component
// may build that path in a fixed buffer without checking its length (Wine's
// overruns its stack from 246 units on), so a longer name is refused before
// it is handed over.
constexpr std::size_t kMaxPathUnits = 260;          // MAX_PATH, NUL included
constexpr std::size_t kTaskFolderPrefixUnits = 17;  // "C:\WINDOWS\Tasks\"
constexpr std::size_t kMaxTaskNameUnits = kMaxPathUnits - 1 - kTaskFolderPrefixUnits - 4;  // ".job"

// The name's length in UTF-16 units, whatever the width of wchar_t: a
// character beyond the Basic Multilingual Plane counts two.
std::size_t Utf16Length(const wchar_t* name);

bool FitsTaskFolder(const wchar_t* task_name);

#endif  // JOBWARDEN_SCHEDULER_TASK_NAME_LENGTH_H_

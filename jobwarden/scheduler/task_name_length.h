// Whether a task name fits the task folder as a file name.
#ifndef JOBWARDEN_SCHEDULER_TASK_NAME_LENGTH_H
#define JOBWARDEN_SCHEDULER_TASK_NAME_LENGTH_H

#include <cstddef>

// A task is stored as the file "<name>.job" in the task folder, and a file
// name on Windows is at most 255 UTF-16 units (the component length of NTFS
// and of FAT's long names), so a name of more than 251 units can never be
// stored. Some Task Scheduler components copy the name into a fixed buffer
// without looking at its length, so such a name is refused before it is
// handed over.
constexpr std::size_t kMaxTaskFileNameUnits = 255;
constexpr std::size_t kMaxTaskNameUnits = kMaxTaskFileNameUnits - 4;  // ".job"

// The name's length in UTF-16 units, whatever the width of wchar_t: a
// character beyond the Basic Multilingual Plane counts two.
std::size_t Utf16Length(const wchar_t* name);

bool FitsTaskFolder(const wchar_t* task_name);

#endif  // JOBWARDEN_SCHEDULER_TASK_NAME_LENGTH_H

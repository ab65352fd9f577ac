// Which names a task may have, and how a name maps to its file. The rules
// are those of a file in a Windows task folder, tightened where a Linux file
// name is stricter, so a task stored here could be copied there unchanged.
#ifndef PLATFORM_TASKSCHEDULER_TASK_NAME_H_
#define PLATFORM_TASKSCHEDULER_TASK_NAME_H_

#include <string>

// Longest file name, in UTF-16 units for Windows and in UTF-8 bytes for
// Linux; "<name>.job" must fit both.
constexpr size_t kMaxTaskFileName = 255;

// False for an empty name, "." or "..", a name holding \ / : * ? " < > |, a
// control character (C0 or C1) or a line or paragraph separator, ending in
// a dot or blank, naming a DOS device (CON, NUL, COM1, ...), whose file
// name is too long, or that does not survive the trip to a file name and
// back unchanged.
bool IsValidTaskName(const std::wstring& name);

// The length of the ".job" that ends every task's file name.
constexpr size_t kJobExtensionLength = 4;

// "<name>.job".
std::wstring TaskFileName(const std::wstring& name);

// Whether a file name ends in ".job", in any case.
bool HasJobExtension(const std::wstring& file_name);

#endif  // PLATFORM_TASKSCHEDULER_TASK_NAME_H_

// Task names are compared without regard to case, as in a Windows task
// folder, whatever the case sensitivity of the Linux file system below.
#ifndef PLATFORM_TASKSCHEDULER_CASE_FOLD_H_
#define PLATFORM_TASKSCHEDULER_CASE_FOLD_H_

#include <string>

// The component's one ASCII case mapping: "a" to "z" raised, every other
// unit as it is. Task names, the ".job" extension and device names are
// compared through it.
wchar_t AsciiUpper(wchar_t c);

// Upper-cases every character that has a simple upper-case mapping (all
// letters when the host has a C.UTF-8 locale, A-Z otherwise), leaving the
// process locale alone.
std::wstring FoldCase(const std::wstring& text);

// Whether the UTF-8 file name `name` (bytes that are no UTF-8 taken as
// WideFromUtf8 takes them) folds to `folded`, which FoldCase gave: the
// case-blind comparison of a name in the task folder with the one wanted.
bool FoldsTo(const char* name, const std::wstring& folded);

#endif  // PLATFORM_TASKSCHEDULER_CASE_FOLD_H_

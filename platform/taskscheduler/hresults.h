// Result codes that the Task Scheduler component answers with and that the
// shared <windows.h> has no use for elsewhere.
#ifndef JOBWARDEN_PLATFORM_HRESULTS_H
#define JOBWARDEN_PLATFORM_HRESULTS_H

#include <windows.h>

constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = static_cast<HRESULT>(0x80040111u);
constexpr HRESULT SCHED_E_TRIGGER_NOT_FOUND = static_cast<HRESULT>(0x80041309u);
constexpr HRESULT SCHED_E_UNSUPPORTED_ACCOUNT_OPTION = static_cast<HRESULT>(0x80041314u);

#endif  // JOBWARDEN_PLATFORM_HRESULTS_H

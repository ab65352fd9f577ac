// The COM runtime and Task Scheduler 1.0 declarations, from the Windows SDK
// headers on Windows and from our own platform layer elsewhere; both are
// reached under the same names.
#ifndef JOBWARDEN_SCHEDULER_COM_API_H_
#define JOBWARDEN_SCHEDULER_COM_API_H_

#include <mstask.h>
#include <objbase.h>
#include <windows.h>

#endif  // JOBWARDEN_SCHEDULER_COM_API_H_

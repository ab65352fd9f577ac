// The COM runtime and Task Scheduler 1.0 declarations, from the Windows SDK
// headers on Windows and from our own platform layer elsewhere; both are
// reached under the same names.
#ifndef JOBWARDEN_SCHEDULER_COM_API_H
#define JOBWARDEN_SCHEDULER_COM_API_H

#include <windows.h>
#include <objbase.h>
#include <mstask.h>

#endif  // JOBWARDEN_SCHEDULER_COM_API_H

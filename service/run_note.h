// What a task's run lock file says about the task's latest run, so that
// no run is lost or told wrong when the process that should record it
// cannot: run-due killed (kill -9, the OOM killer) between a start record
// and the start, or while the task runs; or a full disk when the end
// record is due. Whoever next takes the lock and finds the .job still
// "running" reads the note: a run that never began gets its record back
// as it was, an end that was seen is recorded with its exit code, and only
// a run whose end nobody saw is recorded as such.
//
// The note has a fixed size and is written in place over the one before
// (RunLocks writes a blank one into a new lock file), so that writing it
// never needs disk space.
#ifndef SERVICE_RUN_NOTE_H_
#define SERVICE_RUN_NOTE_H_

#include <windows.h>

#include "platform/taskscheduler/job_file.h"

struct RunNote {
  enum class State { kNone, kStarting, kRunning, kEnded };
  State state = State::kNone;
  // The run: the task's UUID and the run time its start record holds.
  BYTE job_uuid[16] = {};
  SYSTEMTIME run_date = {};
  // kEnded: the exit code to record.
  DWORD exit_code = 0;
  // kStarting: the record's fields before the start, to put back.
  SYSTEMTIME previous_run_date = {};
  DWORD previous_exit_code = 0;
  DWORD previous_status = 0;
  WORD previous_running_count = 0;
};

constexpr size_t kRunNoteSize = 192;

// The note of a run about to start, from the record before its start and
// the record with it.
RunNote StartingNote(const JobFile& before, const JobFile& started);

// Whether `note` tells of the run that `stored` records.
bool TellsOf(const RunNote& note, const JobFile& stored);

// Puts back what the start record of a run that never began changed.
void PutBackRecord(const RunNote& note, JobFile* stored);

// Reads and writes the note at the start of the file open as `fd`.
bool ReadRunNote(int fd, RunNote* note);
bool WriteRunNote(int fd, const RunNote& note);

#endif  // SERVICE_RUN_NOTE_H_

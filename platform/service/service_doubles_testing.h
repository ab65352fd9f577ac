// For the service's tests: a task store in memory, a launcher that records
// what it was asked to run, a crontab in memory, and the minute the tests
// take for now.
#ifndef PLATFORM_SERVICE_SERVICE_DOUBLES_TESTING_H_
#define PLATFORM_SERVICE_SERVICE_DOUBLES_TESTING_H_

#include <time.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/service/crontab-posix.h"
#include "platform/service/task_launcher-posix.h"
#include "platform/service/task_store-posix.h"

namespace service_test {

// The tasks are files that can be read; the unreadable ones are listed but
// cannot be. A task also named in `untrusted` is one the service must not
// trust, for the reason given there: read with that reason, never updated.
class MemoryTaskStore : public TaskStore {
 public:
  std::map<std::wstring, JobFile> tasks;
  std::vector<std::wstring> unreadable;
  std::map<std::wstring, std::string> untrusted;

  HRESULT List(std::vector<std::wstring>* file_names) override;
  HRESULT Read(const std::wstring& file_name, JobFile* job,
               std::string* refusal = nullptr) override;
  HRESULT Update(const std::wstring& file_name,
                 const std::function<bool(JobFile*)>& change) override;
};

// Answers every run with `outcome`, after calling `while_running`.
class RecordingLauncher : public TaskLauncher {
 public:
  std::vector<LaunchRequest> requests;
  LaunchOutcome outcome;
  std::function<void()> while_running;

  RecordingLauncher();
  LaunchOutcome Run(const LaunchRequest& request) override;
};

class MemoryCrontab : public Crontab {
 public:
  std::string text;
  bool readable = true;
  int writes = 0;

  bool Read(std::string* out, std::string* error) override;
  bool Write(const std::string& in, std::string* error) override;
};

// 2026-12-07 10:21 UTC, a Monday: the minute the tests take for now.
constexpr time_t kDueMinute = 1796638860;

// Makes the local time zone UTC, so that kDueMinute is 10:21 local time.
void UseUtc();

}  // namespace service_test

#endif  // PLATFORM_SERVICE_SERVICE_DOUBLES_TESTING_H_

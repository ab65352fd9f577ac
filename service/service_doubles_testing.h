// For the service's tests: a task store in memory, a launcher that records
// what it was asked to run, a crontab in memory, and the minute the tests
// take for now.
#ifndef SERVICE_SERVICE_DOUBLES_TESTING_H_
#define SERVICE_SERVICE_DOUBLES_TESTING_H_

#include <time.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "service/crontab.h"
#include "service/machine_state.h"
#include "service/run_events.h"
#include "service/task_launcher.h"
#include "service/task_store.h"

namespace service_test {

// The tasks are files that can be read; the unreadable ones are listed but
// cannot be. A task also named in `untrusted` is one the service must not
// trust, for the reason given there: read with that reason, never updated.
// Counts the batches it was given.
class MemoryTaskStore : public TaskStore {
 public:
  std::map<std::wstring, JobFile> tasks;
  std::vector<std::wstring> unreadable;
  std::map<std::wstring, std::string> untrusted;
  std::string key = "memory";
  int batches = 0;

  HRESULT List(std::vector<std::wstring>* file_names) override;
  HRESULT Read(const std::wstring& file_name, JobFile* job,
               std::string* refusal = nullptr) override;
  HRESULT Update(const std::wstring& file_name,
                 const std::function<bool(JobFile*)>& change) override;
  void UpdateBatch(std::vector<TaskChange>* changes) override;
  HRESULT Remove(const std::wstring& file_name,
                 const std::function<bool(const JobFile&)>& which) override;
  HRESULT FolderKey(std::string* key) override;
  // The task stored exactly as `name` or `name`.job.
  HRESULT Find(const std::wstring& name, std::wstring* file_name) override;
};

// Starts every task with `start` (started unless told otherwise); the
// started ones all start their programs and end at the next wait, with
// `end`, after that wait has called `while_running`.
class RecordingLauncher : public TaskLauncher {
 public:
  std::vector<LaunchRequest> requests;
  StartOutcome start;
  TaskNews end;
  std::function<void()> while_running;

  RecordingLauncher();
  StartOutcome Start(const LaunchRequest& request) override;
  std::vector<TaskNews> WaitForNews(std::chrono::milliseconds wait) override;
  size_t running() const override { return running_.size(); }

 private:
  std::vector<int> running_;
};

// A machine as the test sets it: on mains, the users logged on that it
// names, any nice allowed unless `may_raise` is false.
class TestMachine : public MachineState {
 public:
  bool on_batteries = false;
  std::vector<std::string> logged_on;
  bool may_raise = true;
  std::string power_supplies;

  bool OnBatteries() const override { return on_batteries; }
  bool LoggedOn(const std::string& user) const override;
  bool MayUseNice(int nice) const override { return may_raise || nice >= 0; }
  std::string PowerSupplies() const override { return power_supplies; }
};

class MemoryCrontab : public Crontab {
 public:
  std::string text;
  bool readable = true;
  int writes = 0;

  bool Read(std::string* out, std::string* error) override;
  bool Write(const std::string& in, std::string* error) override;
};

// Keeps the events run-due tells, a line each.
class MemoryEventLog : public EventLog {
 public:
  std::string text;
  void Add(const std::string& line) override { text += line + "\n"; }
};

// 2026-12-07 10:21 UTC, a Monday: the minute the tests take for now.
constexpr time_t kDueMinute = 1796638860;

// The local time zone `zone` for as long as it lives; the one before comes
// back after.
class TimeZoneForTest {
 public:
  explicit TimeZoneForTest(const char* zone);
  ~TimeZoneForTest();
  TimeZoneForTest(const TimeZoneForTest&) = delete;
  TimeZoneForTest& operator=(const TimeZoneForTest&) = delete;

 private:
  bool had_zone_;
  std::string saved_zone_;
};

}  // namespace service_test

#endif  // SERVICE_SERVICE_DOUBLES_TESTING_H_

// What the scheduler client's tests share: a task folder of their own, a
// fixed clock at 10:20 on 7 December 2026, and ways to run one operation
// and read the call log.
#ifndef JOBWARDEN_SCHEDULER_SCHEDULER_CLIENT_TESTING_H_
#define JOBWARDEN_SCHEDULER_SCHEDULER_CLIENT_TESTING_H_

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "jobwarden/scheduler/com_api.h"
#include "jobwarden/scheduler/jobwarden_exception.h"
#include "jobwarden/scheduler/scheduler_client.h"
#include "jobwarden/support/console_writer.h"
#include "platform/testing/com_recording_testing.h"
#include "platform/testing/local_time_testing.h"
#include "platform/testing/task_folder_testing.h"

using Log = std::vector<std::string>;

inline Log Joined(Log first, const Log& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

inline SYSTEMTIME TenTwenty() {
  SYSTEMTIME time = {};
  time.wYear = 2026;
  time.wMonth = 12;
  time.wDay = 7;
  time.wHour = 10;
  time.wMinute = 20;
  return time;
}

class SchedulerClientTest : public testing::Test {
 protected:
  SchedulerClientTest() { test_hooks::SetFixedLocalTime(TenTwenty()); }

  // Runs one client operation the way the dispatch does and returns the
  // message it failed with, or "" when it succeeded.
  template <typename Operation>
  std::wstring Run(Operation operation) {
    try {
      SchedulerClient client;
      operation(client);
    } catch (const JobwardenException& error) {
      return error.Message;
    }
    return L"";
  }

  std::wstring Create(const wchar_t* name, TaskFrequency frequency = TaskFrequency::Daily,
                      const wchar_t* user = L"system") {
    std::wstring password = L"secret";
    return Run([&](SchedulerClient& client) {
      client.CreateTask(name, L"/usr/bin/backup", L" --all", user, &password[0], frequency);
    });
  }

  std::wstring Query(std::wstring* output) {
    ConsoleCapture capture;
    const std::wstring message = Run([](SchedulerClient& client) { client.QueryTasks(); });
    *output = capture.Text();
    return message;
  }

  // The Release calls logged after the first call of `method`.
  static std::vector<std::string> ReleasesAfter(const std::string& method) {
    std::vector<std::string> releases;
    bool seen = false;
    for (const std::string& call : test_hooks::CallLog()) {
      if (call == method && !seen) {
        seen = true;
        releases.clear();
      } else if (call.size() > 9 && call.compare(call.size() - 9, 9, "::Release") == 0) {
        releases.push_back(call);
      }
    }
    return releases;
  }

  static int Count(const std::string& entry) {
    int count = 0;
    for (const std::string& call : test_hooks::CallLog())
      count += call == entry;
    return count;
  }

  void ExpectNothingOutstanding() {
    EXPECT_EQ(test_hooks::OutstandingReferences(), 0);
    EXPECT_EQ(test_hooks::OutstandingAllocations(), 0);
  }

  TestTaskFolder folder_{TestTaskFolder::Com::kLeftAlone};
};

#endif  // JOBWARDEN_SCHEDULER_SCHEDULER_CLIENT_TESTING_H_

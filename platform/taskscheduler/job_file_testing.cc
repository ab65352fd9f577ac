#include "platform/taskscheduler/job_file_testing.h"

#include <gtest/gtest.h>

#include "platform/testing/trigger_testing.h"

using namespace test_triggers;

TASK_TRIGGER WeeklyTrigger() {
  TASK_TRIGGER trigger = TestTrigger(TASK_TIME_TRIGGER_WEEKLY);
  trigger.Type.Weekly.WeeksInterval = 3;
  return trigger;
}

TASK_TRIGGER MonthlyDateTrigger() {
  TASK_TRIGGER trigger = TestTrigger(TASK_TIME_TRIGGER_MONTHLYDATE);
  trigger.Type.MonthlyDate.rgfDays = 0x8000FFFF;
  return trigger;
}

TASK_TRIGGER MonthlyDowTrigger() {
  TASK_TRIGGER trigger = LastWeekdaysTestTrigger();
  trigger.rgFlags |= TASK_TRIGGER_FLAG_DISABLED;
  trigger.Reserved1 = 0x1234;
  trigger.Reserved2 = 0x5678;
  trigger.wRandomMinutesInterval = 0x9ABC;
  return trigger;
}

void ExpectSameTrigger(const TASK_TRIGGER& expected, const TASK_TRIGGER& actual) {
  EXPECT_EQ(48, actual.cbTriggerSize);
  EXPECT_EQ(expected.Reserved1, actual.Reserved1);
  EXPECT_EQ(expected.wBeginYear, actual.wBeginYear);
  EXPECT_EQ(expected.wBeginMonth, actual.wBeginMonth);
  EXPECT_EQ(expected.wBeginDay, actual.wBeginDay);
  EXPECT_EQ(expected.wEndYear, actual.wEndYear);
  EXPECT_EQ(expected.wEndMonth, actual.wEndMonth);
  EXPECT_EQ(expected.wEndDay, actual.wEndDay);
  EXPECT_EQ(expected.wStartHour, actual.wStartHour);
  EXPECT_EQ(expected.wStartMinute, actual.wStartMinute);
  EXPECT_EQ(expected.MinutesDuration, actual.MinutesDuration);
  EXPECT_EQ(expected.MinutesInterval, actual.MinutesInterval);
  EXPECT_EQ(expected.rgFlags, actual.rgFlags);
  ASSERT_EQ(expected.TriggerType, actual.TriggerType);
  if (expected.TriggerType == TASK_TIME_TRIGGER_MONTHLYDATE) {
    EXPECT_EQ(expected.Type.MonthlyDate.rgfDays, actual.Type.MonthlyDate.rgfDays);
    EXPECT_EQ(expected.Type.MonthlyDate.rgfMonths, actual.Type.MonthlyDate.rgfMonths);
  } else {
    EXPECT_EQ(expected.Type.MonthlyDOW.wWhichWeek, actual.Type.MonthlyDOW.wWhichWeek);
    EXPECT_EQ(expected.Type.MonthlyDOW.rgfDaysOfTheWeek, actual.Type.MonthlyDOW.rgfDaysOfTheWeek);
    EXPECT_EQ(expected.Type.MonthlyDOW.rgfMonths, actual.Type.MonthlyDOW.rgfMonths);
  }
  EXPECT_EQ(expected.Reserved2, actual.Reserved2);
  EXPECT_EQ(expected.wRandomMinutesInterval, actual.wRandomMinutesInterval);
}

JobFile FullJob() {
  JobFile job;
  job.product_version = 0x0600;
  job.file_version = 2;
  for (int i = 0; i < 16; ++i)
    job.job_uuid[i] = static_cast<BYTE>(0xA0 + i);
  job.error_retry_count = 3;
  job.error_retry_interval = 4;
  job.idle_deadline = 5;
  job.idle_wait = 6;
  job.priority = 0x100;
  job.maximum_run_time = 0xDEADBEEF;
  job.exit_code = 0x80070002;
  job.status = 0x00041300;
  // The application-name bit, bits Windows sets that we have no use for,
  // and a few more.
  job.flags = 0x21810203;
  job.run_date = {2025, 2, 3, 4, 5, 6, 7, 8};
  job.running_instance_count = 9;
  job.application_name = L"C:\\Program Files\\tool.exe";
  job.parameters = L"--all \"x y\"";
  job.working_directory = L"C:\\work";
  job.author = L"DOMAIN\\author";
  job.comment = L"nightly";
  job.user_data = {1, 2, 3};
  job.reserved_data = {0, 0, 0, 0, 8, 0, 0, 0};
  job.triggers = {HourlyTestTrigger(), WeeklyTrigger(), MonthlyDateTrigger(), MonthlyDowTrigger()};
  job.account_name = L"operator";
  return job;
}

JobFile RoundTrip(const JobFile& job) {
  const std::vector<uint8_t> bytes = SerializeJobFile(job);
  EXPECT_FALSE(bytes.empty());
  JobFile parsed;
  parsed.priority = 0x7777;  // shows that parsing really overwrote the defaults
  EXPECT_TRUE(ParseJobFile(bytes.data(), bytes.size(), &parsed));
  return parsed;
}

WORD WordAt(const std::vector<uint8_t>& bytes, size_t at) {
  return static_cast<WORD>(bytes.at(at) | (bytes.at(at + 1) << 8));
}

DWORD DwordAt(const std::vector<uint8_t>& bytes, size_t at) {
  return WordAt(bytes, at) | (static_cast<DWORD>(WordAt(bytes, at + 2)) << 16);
}

bool Parses(const std::vector<uint8_t>& bytes) {
  JobFile job;
  return ParseJobFile(bytes.data(), bytes.size(), &job);
}

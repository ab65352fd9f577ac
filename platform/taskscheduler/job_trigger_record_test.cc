#include "platform/taskscheduler/job_trigger_record.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/taskscheduler/job_file_testing.h"
#include "platform/taskscheduler/trigger_type_code.h"
#include "platform/testing/trigger_testing.h"

namespace {

using namespace test_triggers;

TEST(JobFileRoundTrip, KeepsAnyNumberOfTriggers) {
  JobFile job;
  EXPECT_TRUE(RoundTrip(job).triggers.empty());

  for (int i = 0; i < 300; ++i) {
    TASK_TRIGGER trigger = i % 2 ? WeeklyTrigger() : MonthlyDateTrigger();
    trigger.wStartMinute = static_cast<WORD>(i % 60);
    job.triggers.push_back(trigger);
  }
  const JobFile parsed = RoundTrip(job);
  ASSERT_EQ(job.triggers.size(), parsed.triggers.size());
  for (size_t i = 0; i < job.triggers.size(); ++i)
    ExpectSameTrigger(job.triggers[i], parsed.triggers[i]);
}

TEST(JobFileRoundTrip, KeepsTriggerTypesItDoesNotKnow) {
  JobFile job;
  job.triggers = {HourlyTestTrigger()};
  SetTriggerTypeCode(9, &job.triggers[0]);
  const JobFile parsed = RoundTrip(job);
  ASSERT_EQ(1u, parsed.triggers.size());
  EXPECT_EQ(9u, TriggerTypeCode(parsed.triggers[0]));
  EXPECT_EQ(1, parsed.triggers[0].Type.Daily.DaysInterval);
}

TEST(JobFileLayout, PutsTheTypeFieldsOfEachTriggerKindInPlace) {
  JobFile job;
  job.triggers = {HourlyTestTrigger(), WeeklyTrigger(), MonthlyDowTrigger()};
  const std::vector<uint8_t> b = SerializeJobFile(job);
  const size_t first = WordAt(b, 22) + 2;
  EXPECT_EQ(1, WordAt(b, first + 36));  // daily: days interval
  EXPECT_EQ(60u, DwordAt(b, first + 24));
  EXPECT_EQ(1440u, DwordAt(b, first + 20));
  const size_t weekly = first + 48;
  EXPECT_EQ(3, WordAt(b, weekly + 36));
  EXPECT_EQ(0x7F, WordAt(b, weekly + 38));
  const size_t dow = weekly + 48;
  EXPECT_EQ(4u, DwordAt(b, dow + 32));
  EXPECT_EQ(5, WordAt(b, dow + 36));
  EXPECT_EQ(0x41, WordAt(b, dow + 38));
  EXPECT_EQ(0x801, WordAt(b, dow + 40));
  EXPECT_EQ(0x5678, WordAt(b, dow + 44));
  EXPECT_EQ(0x9ABC, WordAt(b, dow + 46));
  EXPECT_EQ(dow + 48, b.size());
}

// The format tells readers to ignore the size a trigger gives itself; the
// record is 48 bytes whatever it says, and what follows it still reads.
TEST(JobFileParse, IgnoresTheSizeATriggerGivesItself) {
  JobFile source;
  source.triggers = {HourlyTestTrigger(), WeeklyTrigger()};
  const std::vector<uint8_t> good = SerializeJobFile(source);
  const size_t first = WordAt(good, 22) + 2;
  for (WORD size : {WORD{0}, WORD{0x28}, WORD{47}, WORD{96}, WORD{0xFFFF}}) {
    RawFile f{good};
    f.SetWord(first, size);
    f.SetWord(first + 48, size);
    JobFile job;
    ASSERT_TRUE(ParseJobFile(f.bytes.data(), f.bytes.size(), &job)) << size;
    ASSERT_EQ(2u, job.triggers.size());
    ExpectSameTrigger(source.triggers[0], job.triggers[0]);
    ExpectSameTrigger(source.triggers[1], job.triggers[1]);
  }
}

}  // namespace

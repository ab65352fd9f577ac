#include "service/local_clock.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include <string>

#include "platform/testing/trigger_testing.h"
#include "service/service_doubles_testing.h"

namespace {

using namespace test_triggers;

// Europe/Berlin in 2026: clocks go from 02:00 to 03:00 on 29 March and from
// 03:00 back to 02:00 on 25 October.
class LocalClockTest : public testing::Test {
 protected:
  // "2026-03-29 01:00" read as UTC.
  static time_t Utc(const char* text) {
    return static_cast<time_t>(At(text).time_since_epoch().count()) * 60;
  }

  static int RunsBetween(const JobFile& job, time_t from, time_t to) {
    int runs = 0;
    for (time_t minute = from; minute < to; minute += 60)
      runs += IsJobDueAt(job, minute) ? 1 : 0;
    return runs;
  }

  static JobFile JobWith(const TASK_TRIGGER& trigger) {
    JobFile job;
    job.triggers.push_back(trigger);
    return job;
  }

 private:
  service_test::TimeZoneForTest zone_{"Europe/Berlin"};
};

TEST_F(LocalClockTest, WallTimeFollowsTheZone) {
  EXPECT_EQ(WallMinuteAt(Utc("2026-01-15 11:00")), At("2026-01-15 12:00"));
  EXPECT_EQ(WallMinuteAt(Utc("2026-07-15 11:00")), At("2026-07-15 13:00"));
  EXPECT_EQ(StartOfMinute(Utc("2026-07-15 11:00") + 59), Utc("2026-07-15 11:00"));
}

TEST_F(LocalClockTest, SkippedStartRunsInTheFirstMinuteAfterTheGap) {
  const JobFile job = JobWith(Daily("2026-03-20 02:30"));
  EXPECT_TRUE(IsJobDueAt(job, Utc("2026-03-28 01:30")));   // 02:30 CET the day before
  EXPECT_FALSE(IsJobDueAt(job, Utc("2026-03-29 00:59")));  // 01:59 CET
  EXPECT_TRUE(IsJobDueAt(job, Utc("2026-03-29 01:00")));   // 03:00 CEST
  EXPECT_FALSE(IsJobDueAt(job, Utc("2026-03-29 01:01")));
  EXPECT_EQ(RunsBetween(job, Utc("2026-03-28 23:00"), Utc("2026-03-29 22:00")), 1);
  EXPECT_EQ(FirstRealMinute(At("2026-03-29 02:30")), Utc("2026-03-29 01:00"));
}

TEST_F(LocalClockTest, RepetitionsInTheGapRunOnceAfterIt) {
  // 02:30, 02:40 and 02:50 fall into the gap; 03:00 to 03:20 are real.
  const JobFile job = JobWith(Repeating(Daily("2026-03-20 02:30"), 10, 60));
  EXPECT_EQ(RunsBetween(job, Utc("2026-03-28 23:00"), Utc("2026-03-29 22:00")), 3);
  EXPECT_TRUE(IsJobDueAt(job, Utc("2026-03-29 01:00")));
  EXPECT_TRUE(IsJobDueAt(job, Utc("2026-03-29 01:20")));
  EXPECT_FALSE(IsJobDueAt(job, Utc("2026-03-29 01:30")));
}

TEST_F(LocalClockTest, RepeatedWallTimeRunsAtItsFirstOccurrence) {
  const JobFile job = JobWith(Daily("2026-10-20 02:30"));
  EXPECT_TRUE(IsJobDueAt(job, Utc("2026-10-25 00:30")));   // 02:30 CEST
  EXPECT_FALSE(IsJobDueAt(job, Utc("2026-10-25 01:30")));  // 02:30 CET
  EXPECT_EQ(RunsBetween(job, Utc("2026-10-24 22:00"), Utc("2026-10-25 23:00")), 1);
  EXPECT_EQ(FirstRealMinute(At("2026-10-25 02:30")), Utc("2026-10-25 00:30"));
}

TEST_F(LocalClockTest, HourlyRunsTwentyFourTimesOnBothChangeDays) {
  const JobFile job = JobWith(Repeating(Daily("2026-01-01 00:30"), 60, 1440));
  // 23 real hours in March (02:30 runs at 03:00), 25 in October (the
  // second 02:30 does not run).
  EXPECT_EQ(RunsBetween(job, Utc("2026-03-28 23:00"), Utc("2026-03-29 22:00")), 24);
  EXPECT_EQ(RunsBetween(job, Utc("2026-10-24 22:00"), Utc("2026-10-25 23:00")), 24);
}

TEST_F(LocalClockTest, NextRunTimeKeepsTheSameRules) {
  const JobFile at_half_past_two = JobWith(Daily("2026-03-20 02:30"));
  struct {
    const char* from;
    const char* next;
  } cases[] = {
      {"2026-03-29 00:00", "2026-03-29 01:00"},  // into the gap: its end
      {"2026-03-29 01:00", "2026-03-29 01:00"},  // at the gap's end itself
      {"2026-03-29 01:01", "2026-03-30 00:30"},  // 02:30 CEST next day
      {"2026-10-25 00:00", "2026-10-25 00:30"},  // first occurrence
      {"2026-10-25 00:31", "2026-10-26 01:30"},  // not the second one
      {"2026-10-25 01:10", "2026-10-26 01:30"},  // from within the repeated hour
  };
  for (const auto& c : cases) {
    const std::optional<time_t> next = NextRunTime(at_half_past_two, Utc(c.from) + 17);
    ASSERT_TRUE(next) << c.from;
    EXPECT_EQ(*next, Utc(c.next)) << c.from;
  }
  JobFile two_triggers = JobWith(Daily("2026-12-07 10:21"));
  two_triggers.triggers.push_back(Once("2026-12-07 09:00"));
  two_triggers.triggers.push_back(Trigger(TASK_EVENT_TRIGGER_AT_LOGON, "2026-12-07 08:00"));
  EXPECT_EQ(NextRunTime(two_triggers, Utc("2026-12-07 00:00")), Utc("2026-12-07 08:00"));
  EXPECT_EQ(NextRunTime(two_triggers, Utc("2026-12-07 08:01")), Utc("2026-12-07 09:21"));
  EXPECT_FALSE(NextRunTime(JobWith(Once("2026-12-07 09:00")), Utc("2026-12-07 08:01")));
}

}  // namespace

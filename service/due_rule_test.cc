#include "service/due_rule.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/testing/trigger_testing.h"

namespace {

using namespace test_triggers;

struct DueCase {
  const char* what;
  TASK_TRIGGER trigger;
  const char* minute;
  bool due;
};

void ExpectDue(const std::vector<DueCase>& cases, const JobFile& job = JobFile()) {
  for (const DueCase& c : cases)
    EXPECT_EQ(IsDueInMinute(job, c.trigger, At(c.minute)), c.due) << c.what << " at " << c.minute;
}

TEST(DueRuleTest, OnceRunsAtItsMinuteOnly) {
  const TASK_TRIGGER once = Once("2026-12-07 10:21");
  ExpectDue({
      {"the minute", once, "2026-12-07 10:21", true},
      {"a minute before", once, "2026-12-07 10:20", false},
      {"a minute after", once, "2026-12-07 10:22", false},
      {"a day later", once, "2026-12-08 10:21", false},
      {"a day before", once, "2026-12-06 10:21", false},
  });
}

TEST(DueRuleTest, DailyCountsItsIntervalFromTheBeginDay) {
  const TASK_TRIGGER every_day = Daily("2026-12-07 10:21");
  const TASK_TRIGGER every_third = Daily("2026-12-07 10:21", 3);
  ExpectDue({
      {"begin day", every_day, "2026-12-07 10:21", true},
      {"next day", every_day, "2026-12-08 10:21", true},
      {"next year", every_day, "2027-12-08 10:21", true},
      {"other minute", every_day, "2026-12-08 10:22", false},
      {"before the begin day", every_day, "2026-12-06 10:21", false},
      {"third: begin day", every_third, "2026-12-07 10:21", true},
      {"third: day 1", every_third, "2026-12-08 10:21", false},
      {"third: day 2", every_third, "2026-12-09 10:21", false},
      {"third: day 3", every_third, "2026-12-10 10:21", true},
      {"third: across the year", every_third, "2027-01-03 10:21", true},
      {"third: across the year, off", every_third, "2027-01-02 10:21", false},
  });
}

TEST(DueRuleTest, WeeklyRunsOnChosenDaysOfEveryNthWeekFromSunday) {
  // 2026-12-07 is a Monday; its week runs from Sunday 6 to Saturday 12.
  const TASK_TRIGGER mon_wed = Weekly("2026-12-07 08:00", 1, TASK_MONDAY | TASK_WEDNESDAY);
  const TASK_TRIGGER every_other_monday = Weekly("2026-12-07 08:00", 2, TASK_MONDAY);
  const TASK_TRIGGER from_wednesday = Weekly("2026-12-09 08:00", 2, TASK_MONDAY | TASK_SUNDAY);
  ExpectDue({
      {"Monday", mon_wed, "2026-12-07 08:00", true},
      {"Tuesday", mon_wed, "2026-12-08 08:00", false},
      {"Wednesday", mon_wed, "2026-12-09 08:00", true},
      {"next Monday", mon_wed, "2026-12-14 08:00", true},
      {"2: first week", every_other_monday, "2026-12-07 08:00", true},
      {"2: second week", every_other_monday, "2026-12-14 08:00", false},
      {"2: third week", every_other_monday, "2026-12-21 08:00", true},
      {"2: across the year", every_other_monday, "2027-01-04 08:00", true},
      {"Monday before a Wednesday begin", from_wednesday, "2026-12-07 08:00", false},
      {"Sunday of the week off", from_wednesday, "2026-12-13 08:00", false},
      {"Sunday of the next week on", from_wednesday, "2026-12-20 08:00", true},
      {"Monday of the next week on", from_wednesday, "2026-12-21 08:00", true},
      {"no day chosen", Weekly("2026-12-07 08:00", 1, 0), "2026-12-07 08:00", false},
  });
}

TEST(DueRuleTest, MonthlyDateSkipsDaysAMonthDoesNotHave) {
  const TASK_TRIGGER thirty_first = MonthlyDate("2026-01-01 06:00", Day(31));
  const TASK_TRIGGER leap_day = MonthlyDate("2026-01-01 06:00", Day(29), Month(2));
  const TASK_TRIGGER quarterly =
      MonthlyDate("2026-01-01 06:00", Day(1), Month(1) | Month(4) | Month(7) | Month(10));
  ExpectDue({
      {"31 January", thirty_first, "2026-01-31 06:00", true},
      {"30 April", thirty_first, "2026-04-30 06:00", false},
      {"1 May", thirty_first, "2026-05-01 06:00", false},
      {"28 February", thirty_first, "2026-02-28 06:00", false},
      {"31 December", thirty_first, "2026-12-31 06:00", true},
      {"29 February of a leap year", leap_day, "2028-02-29 06:00", true},
      {"1 March after a common February", leap_day, "2027-03-01 06:00", false},
      {"29 January", leap_day, "2027-01-29 06:00", false},
      {"1 April", quarterly, "2026-04-01 06:00", true},
      {"1 May", quarterly, "2026-05-01 06:00", false},
  });
}

TEST(DueRuleTest, MonthlyWeekdayRunsInTheChosenSevenDays) {
  // December 2026 begins on a Tuesday and ends on Thursday 31.
  const TASK_TRIGGER first_monday = MonthlyDow("2026-01-01 09:00", 1, TASK_MONDAY);
  const TASK_TRIGGER last_thursday = MonthlyDow("2026-01-01 09:00", 5, TASK_THURSDAY);
  const TASK_TRIGGER fourth_thursday = MonthlyDow("2026-01-01 09:00", 4, TASK_THURSDAY);
  const TASK_TRIGGER last_friday_of_february =
      MonthlyDow("2026-01-01 09:00", 5, TASK_FRIDAY, Month(2));
  ExpectDue({
      {"first Monday", first_monday, "2026-12-07 09:00", true},
      {"second Monday", first_monday, "2026-12-14 09:00", false},
      {"last Thursday is the 31st", last_thursday, "2026-12-31 09:00", true},
      {"the 24th is not the last", last_thursday, "2026-12-24 09:00", false},
      {"fourth Thursday is the 24th", fourth_thursday, "2026-12-24 09:00", true},
      {"fourth week ends on the 28th", fourth_thursday, "2026-12-31 09:00", false},
      {"last Friday of February", last_friday_of_february, "2026-02-27 09:00", true},
      {"last Friday of March: month not chosen", last_friday_of_february, "2026-03-27 09:00",
       false},
      {"week 6 does not exist", MonthlyDow("2026-01-01 09:00", 6, TASK_MONDAY), "2026-12-07 09:00",
       false},
  });
}

TEST(DueRuleTest, RepetitionRunsThroughItsWindowAcrossMidnight) {
  const TASK_TRIGGER hourly = Repeating(Daily("2026-12-07 10:21"), 60, 1440);
  const TASK_TRIGGER late = Repeating(Daily("2026-12-07 22:00"), 60, 240);
  // Windows overlap: each day's start begins a fresh grid.
  const TASK_TRIGGER overlapping = Repeating(Daily("2026-12-07 00:00"), 7, 2880);
  const TASK_TRIGGER interval_longer = Repeating(Daily("2026-12-07 10:00"), 90, 60);
  ExpectDue({
      {"hourly: an hour on", hourly, "2026-12-07 11:21", true},
      {"hourly: past midnight", hourly, "2026-12-08 00:21", true},
      {"hourly: the last before the next start", hourly, "2026-12-08 09:21", true},
      {"hourly: off the grid", hourly, "2026-12-07 11:22", false},
      {"hourly: before the first start", hourly, "2026-12-07 09:21", false},
      {"late: 23:00", late, "2026-12-07 23:00", true},
      {"late: midnight", late, "2026-12-08 00:00", true},
      {"late: 01:00", late, "2026-12-08 01:00", true},
      {"late: window over at 02:00", late, "2026-12-08 02:00", false},
      {"late: half past", late, "2026-12-07 22:30", false},
      {"overlap: old grid point after the new start", overlapping, "2026-12-08 00:02", false},
      {"overlap: new grid", overlapping, "2026-12-08 00:07", true},
      {"interval longer than the window", interval_longer, "2026-12-07 11:30", false},
  });
}

TEST(DueRuleTest, EndDateEndsTheTriggerWithItsDay) {
  const TASK_TRIGGER ending = Ending(Daily("2026-12-07 10:21"), 2026, 12, 10);
  const TASK_TRIGGER late = Ending(Repeating(Daily("2026-12-07 23:00"), 60, 180), 2026, 12, 10);
  TASK_TRIGGER end_not_flagged = Daily("2026-12-07 10:21");
  end_not_flagged.wEndYear = 2026;
  end_not_flagged.wEndMonth = 12;
  end_not_flagged.wEndDay = 8;
  ExpectDue({
      {"on the end day", ending, "2026-12-10 10:21", true},
      {"after it", ending, "2026-12-11 10:21", false},
      {"window on the end day", late, "2026-12-10 23:00", true},
      {"window past the end day", late, "2026-12-11 00:00", false},
      {"end date without its flag", end_not_flagged, "2026-12-20 10:21", true},
      {"invalid end date", Ending(Daily("2026-12-07 10:21"), 2026, 2, 30), "2026-12-07 10:21",
       false},
  });
}

TEST(DueRuleTest, DisabledEventAndInvalidTriggersNeverRun) {
  TASK_TRIGGER bad_hour = Daily("2026-12-07 10:21");
  bad_hour.wStartHour = 24;
  ExpectDue({
      {"disabled trigger", Disabled(Daily("2026-12-07 10:21")), "2026-12-07 10:21", false},
      {"idle", Trigger(TASK_EVENT_TRIGGER_ON_IDLE, "2026-12-07 10:21"), "2026-12-07 10:21", false},
      {"system start", Trigger(TASK_EVENT_TRIGGER_AT_SYSTEMSTART, "2026-12-07 10:21"),
       "2026-12-07 10:21", false},
      {"log on", Trigger(TASK_EVENT_TRIGGER_AT_LOGON, "2026-12-07 10:21"), "2026-12-07 10:21",
       false},
      {"start hour 24", bad_hour, "2026-12-08 00:21", false},
      {"every 0 days", Daily("2026-12-07 10:21", 0), "2026-12-07 10:21", false},
      {"every 0 weeks", Weekly("2026-12-07 10:21", 0, 0x7F), "2026-12-07 10:21", false},
      {"begin on 31 April", Daily("2026-04-31 10:21"), "2026-05-01 10:21", false},
  });
  JobFile disabled_task;
  disabled_task.flags = TASK_FLAG_DISABLED;
  ExpectDue({{"disabled task", Daily("2026-12-07 10:21"), "2026-12-07 10:21", false}},
            disabled_task);
  EXPECT_FALSE(HasRunTimes(Trigger(TASK_EVENT_TRIGGER_AT_LOGON, "2026-12-07 10:21")));
  EXPECT_TRUE(HasRunTimes(Once("2026-12-07 10:21")));
}

struct NextCase {
  const char* what;
  TASK_TRIGGER trigger;
  const char* from;
  const char* next;  // nullptr: never again
};

TEST(DueRuleTest, NextDueMinute) {
  const NextCase cases[] = {
      {"daily, at the minute", Daily("2026-12-07 10:21"), "2026-12-07 10:21", "2026-12-07 10:21"},
      {"daily, just past", Daily("2026-12-07 10:21"), "2026-12-07 10:22", "2026-12-08 10:21"},
      {"daily, before the begin day", Daily("2026-12-07 10:21", 3), "2026-01-01 00:00",
       "2026-12-07 10:21"},
      {"every third day", Daily("2026-12-07 10:21", 3), "2026-12-08 00:00", "2026-12-10 10:21"},
      {"hourly", Repeating(Daily("2026-12-07 10:21"), 60, 1440), "2026-12-07 10:22",
       "2026-12-07 11:21"},
      {"hourly past midnight", Repeating(Daily("2026-12-07 10:21"), 60, 1440), "2026-12-08 00:00",
       "2026-12-08 00:21"},
      {"window across midnight", Repeating(Daily("2026-12-07 22:00"), 60, 240), "2026-12-07 23:30",
       "2026-12-08 00:00"},
      {"window over", Repeating(Daily("2026-12-07 22:00"), 60, 240), "2026-12-08 01:01",
       "2026-12-08 22:00"},
      {"once, past", Once("2026-12-07 10:21"), "2026-12-07 10:22", nullptr},
      {"end date passed", Ending(Daily("2026-12-07 10:21"), 2026, 12, 8), "2026-12-08 10:22",
       nullptr},
      {"every other week", Weekly("2026-12-07 08:00", 2, TASK_MONDAY), "2026-12-08 00:00",
       "2026-12-21 08:00"},
      {"31st, from April", MonthlyDate("2026-01-01 06:00", Day(31)), "2026-04-01 00:00",
       "2026-05-31 06:00"},
      {"29 February", MonthlyDate("2026-01-01 06:00", Day(29), Month(2)), "2026-03-01 00:00",
       "2028-02-29 06:00"},
      {"last Thursday", MonthlyDow("2026-01-01 09:00", 5, TASK_THURSDAY), "2026-12-01 00:00",
       "2026-12-31 09:00"},
      {"day 30 of February only", MonthlyDate("2026-01-01 06:00", Day(30), Month(2)),
       "2026-01-01 00:00", nullptr},
      {"disabled", Disabled(Daily("2026-12-07 10:21")), "2026-12-07 00:00", nullptr},
      {"log on", Trigger(TASK_EVENT_TRIGGER_AT_LOGON, "2026-12-07 10:21"), "2026-12-07 00:00",
       nullptr},
  };
  for (const NextCase& c : cases) {
    const std::optional<WallMinute> next = NextDueMinute(JobFile(), c.trigger, At(c.from));
    if (!c.next) {
      EXPECT_FALSE(next) << c.what;
      continue;
    }
    ASSERT_TRUE(next) << c.what;
    EXPECT_EQ(*next, At(c.next)) << c.what;
  }
}

// The next due minute and the minute-by-minute rule agree over a stretch
// that holds month ends, a leap day and windows across midnight.
TEST(DueRuleTest, NextDueMinuteAgreesWithTheMinuteRule) {
  const TASK_TRIGGER triggers[] = {
      Repeating(Daily("2028-02-27 22:50", 2), 25, 200),
      Repeating(Weekly("2028-02-26 23:30", 2, TASK_TUESDAY | TASK_SATURDAY), 45, 100),
      Repeating(MonthlyDate("2028-01-01 23:59", Day(29) | Day(31)), 1, 3),
      MonthlyDow("2028-01-01 00:00", 5, TASK_TUESDAY),
  };
  for (const TASK_TRIGGER& trigger : triggers) {
    std::optional<WallMinute> next = NextDueMinute(JobFile(), trigger, At("2028-02-26 00:00"));
    for (WallMinute minute = At("2028-02-26 00:00"); minute < At("2028-03-08 00:00");
         minute += std::chrono::minutes{1}) {
      if (IsDueInMinute(JobFile(), trigger, minute)) {
        ASSERT_TRUE(next) << trigger.TriggerType;
        ASSERT_EQ(*next, minute) << trigger.TriggerType;
        next = NextDueMinute(JobFile(), trigger, minute + std::chrono::minutes{1});
      }
    }
    if (next) {
      EXPECT_GE(*next, At("2028-03-08 00:00")) << trigger.TriggerType;
    }
  }
}

}  // namespace

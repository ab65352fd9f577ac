#include "service/run_record.h"

#include <gtest/gtest.h>
#include <time.h>
#include <unistd.h>

#include <optional>

#include "service/service_doubles_testing.h"

namespace {

TEST(TimeLimitTest, ZeroAndInfiniteSetNone) {
  JobFile job;
  job.maximum_run_time = 0;
  EXPECT_FALSE(TimeLimitOf(job));
  job.maximum_run_time = 0xFFFFFFFF;
  EXPECT_FALSE(TimeLimitOf(job));
  job.maximum_run_time = 259200000;
  EXPECT_EQ(TimeLimitOf(job), std::chrono::hours(72));
}

// 2016-12-31 23:59:60 UTC, in a zone that counts leap seconds ("right/"),
// where the C library reports it as second 60.
constexpr time_t kLeapSecond = 1483228826;
constexpr char kLeapSecondZone[] = "/usr/share/zoneinfo/right/UTC";

class LeapSecondTest : public testing::Test {
 protected:
  void SetUp() override {
    if (access(kLeapSecondZone, R_OK) != 0)
      GTEST_SKIP() << "no time zone that counts leap seconds: " << kLeapSecondZone;
    zone_.emplace("right/UTC");
  }
  std::optional<service_test::TimeZoneForTest> zone_;
};

TEST_F(LeapSecondTest, ARunThatStartsInALeapSecondIsRecordedAtSecond59) {
  tm calendar = {};
  localtime_r(&kLeapSecond, &calendar);
  ASSERT_EQ(calendar.tm_sec, 60);

  JobFile job;
  RecordStart(kLeapSecond, &job);
  EXPECT_EQ(job.run_date.wYear, 2016);
  EXPECT_EQ(job.run_date.wMonth, 12);
  EXPECT_EQ(job.run_date.wDay, 31);
  EXPECT_EQ(job.run_date.wDayOfWeek, 6);
  EXPECT_EQ(job.run_date.wHour, 23);
  EXPECT_EQ(job.run_date.wMinute, 59);
  EXPECT_EQ(job.run_date.wSecond, 59);
  EXPECT_TRUE(RanInMinuteOf(job, kLeapSecond - 59));
  EXPECT_FALSE(RanInMinuteOf(job, kLeapSecond + 1));

  RecordRefusal(kLeapSecond, SCHED_E_TASK_NOT_READY, &job);
  EXPECT_EQ(job.run_date.wSecond, 59);
}

}  // namespace

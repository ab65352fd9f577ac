#include "platform/taskscheduler/job_fixed_section.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/taskscheduler/job_file_testing.h"

namespace {

TEST(JobFileRoundTrip, DefaultsAreThoseOfATaskThatNeverRan) {
  const std::vector<uint8_t> bytes = SerializeJobFile(JobFile());
  EXPECT_EQ(0x0501, WordAt(bytes, 0));
  EXPECT_EQ(1, WordAt(bytes, 2));
  EXPECT_EQ(60, WordAt(bytes, 28));
  EXPECT_EQ(10, WordAt(bytes, 30));
  EXPECT_EQ(0x20u, DwordAt(bytes, 32));
  EXPECT_EQ(259200000u, DwordAt(bytes, 36));
  EXPECT_EQ(0x00041303u, DwordAt(bytes, 44));
}

// What every file from Windows 2000, XP and 2003 holds, read at its
// documented place.
TEST(JobFileLayout, WritesTheApplicationNameFlagAndTaskReserved1AsWindowsDoes) {
  JobFile job;
  job.application_name = L"app";
  std::vector<uint8_t> b = SerializeJobFile(job);
  EXPECT_EQ(0x01000000u, DwordAt(b, 48));
  const size_t reserved_at = WordAt(b, 22) - 2 - 8;
  EXPECT_EQ(8, WordAt(b, reserved_at));
  EXPECT_EQ(0u, DwordAt(b, reserved_at + 2));  // start error
  EXPECT_EQ(0u, DwordAt(b, reserved_at + 6));  // task flags
  EXPECT_EQ(8u, RoundTrip(job).reserved_data.size());

  // The bit follows the name: set without one, it is not written.
  job.application_name.clear();
  job.flags = 0x01000004;
  b = SerializeJobFile(job);
  EXPECT_EQ(0x4u, DwordAt(b, 48));
}

}  // namespace

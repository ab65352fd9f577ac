#include "platform/taskscheduler/job_account_block.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/taskscheduler/job_file_testing.h"

namespace {

TEST(JobFileRoundTrip, KeepsUserDataApartFromTheAccount) {
  JobFile job;
  job.user_data = {'J', 'W', 'A', 'C', 0, 0};  // looks like our own tag
  EXPECT_EQ(job.user_data, RoundTrip(job).user_data);
  EXPECT_EQ(L"", RoundTrip(job).account_name);

  job.account_name = L"DOMAIN\\user";
  job.user_data = {0xFF, 0x00, 0x7F};
  const JobFile parsed = RoundTrip(job);
  EXPECT_EQ(job.user_data, parsed.user_data);
  EXPECT_EQ(job.account_name, parsed.account_name);
}

TEST(JobFileParse, TreatsAMalformedAccountBlockAsUserData) {
  JobFile job;
  job.user_data = {'x', 'y', 'z', 'w', 'v', 'u', 't'};
  RawFile f{SerializeJobFile(job)};
  // User data: tag, count, then the 7 bytes; then TASKRESERVED1.
  const size_t count_at = WordAt(f.bytes, 22) - 8 - 2 - 7 - 2;
  ASSERT_EQ(0, WordAt(f.bytes, count_at));
  f.SetWord(count_at, 255);  // more units than there are bytes
  JobFile parsed;
  ASSERT_TRUE(ParseJobFile(f.bytes.data(), f.bytes.size(), &parsed));
  EXPECT_EQ(L"", parsed.account_name);
  EXPECT_EQ(13u, parsed.user_data.size());
  EXPECT_EQ('J', parsed.user_data[0]);
  EXPECT_EQ('t', parsed.user_data[12]);
}

}  // namespace

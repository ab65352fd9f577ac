// The program as it runs on a host without a Windows version record.
#include "osreport/osreport.h"

#include <gtest/gtest.h>

#include "osreport/osreport_testing.h"

TEST(OsreportPosixTest, ReportsThatNoVersionRecordIsAvailable) {
  RunResult run = RunWith({});
  EXPECT_EQ("Error 50 calling GetVersionEx()\n", run.output);
  EXPECT_EQ(1, run.status);

  run = RunWith({"/F"});
  EXPECT_EQ("Error 50 calling GetVersionEx()\n", run.output);
  EXPECT_EQ(1, run.status);
}

// The program as it runs on a host without a Windows version record.
#include "osreport.h"

#include <string>

#include <gtest/gtest.h>

#include "stdout_capture.h"

namespace {

std::string OutputOf(int argc, char** argv, int* status) {
  return CapturedStdout([&] { *status = RunOsreport(argc, argv); });
}

}  // namespace

TEST(OsreportPosixTest, ReportsThatNoVersionRecordIsAvailable) {
  char program[] = "osreport";
  char full[] = "/F";
  char* default_mode[] = {program, nullptr};
  char* full_mode[] = {program, full, nullptr};
  int status = -1;

  EXPECT_EQ("Error 50 calling GetVersionEx()\n", OutputOf(1, default_mode, &status));
  EXPECT_EQ(1, status);

  status = -1;
  EXPECT_EQ("Error 50 calling GetVersionEx()\n", OutputOf(2, full_mode, &status));
  EXPECT_EQ(1, status);
}

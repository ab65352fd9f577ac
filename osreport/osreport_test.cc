#include "osreport/osreport.h"

#include <gtest/gtest.h>

#include "osreport/osreport_testing.h"
#include "osreport/version_record_testing.h"

namespace {

const OSVERSIONINFOEXA kXpRecord = [] {
  OSVERSIONINFOEXA record = MakeRecord(2, 5, 1, 2600, "Service Pack 3", 1, 0x0100);
  record.wServicePackMajor = 3;
  return record;
}();

BOOL WINAPI XpQuery(LPOSVERSIONINFOA record) {
  FillUpToRequestedSize(record, kXpRecord);
  return TRUE;
}

// A system that knows only the basic record, like NT 4 before its sixth
// service pack.
BOOL WINAPI BasicOnlyQuery(LPOSVERSIONINFOA record) {
  if (record->dwOSVersionInfoSize != kBasicRecordSize) {
    SetLastError(87);
    return FALSE;
  }
  FillUpToRequestedSize(record, MakeRecord(2, 4, 0, 1381, "Service Pack 5", 1));
  return TRUE;
}

BOOL WINAPI FailingQuery(LPOSVERSIONINFOA /*record*/) {
  SetLastError(0xFFFFFFFE);
  return FALSE;
}

const char kXpEditionLine[] = "Microsoft Windows XP Professional 5.1 (Build 2600) Service Pack 3";

const char kXpFullReport[] =
    "Version:             5.1\n"
    "Build:               2600\n"
    "Platform ID:         VER_PLATFORM_WIN32_NT (0x00000002)\n"
    "CSDVersion:          'Service Pack 3'\n"
    "Service Pack:        3.0\n"
    "Suite Mask (0x0100): \n"
    "Product Type:        VER_NT_WORKSTATION (0x0001)\n"
    "\n"
    "Microsoft Windows XP Professional 5.1 (Build 2600) Service Pack 3";

}  // namespace

TEST(OsreportTest, WithoutArgumentsWritesOnlyTheEditionLine) {
  const RunResult run = RunWith({}, XpQuery);
  EXPECT_EQ(kXpEditionLine, run.output);
  EXPECT_EQ(0, run.status);
}

TEST(OsreportTest, SlashFInEitherCaseWritesTheFullReport) {
  for (const char* mode : {"/F", "/f"}) {
    SCOPED_TRACE(mode);
    const RunResult run = RunWith({mode}, XpQuery);
    EXPECT_EQ(kXpFullReport, run.output);
    EXPECT_EQ(0, run.status);
  }
}

TEST(OsreportTest, ArgumentsAfterTheFirstAreIgnored) {
  RunResult run = RunWith({"/F", "extra", "/x"}, XpQuery);
  EXPECT_EQ(kXpFullReport, run.output);
  EXPECT_EQ(0, run.status);

  run = RunWith({"other", "/F"}, XpQuery);
  EXPECT_EQ(kXpEditionLine, run.output);
  EXPECT_EQ(0, run.status);
}

TEST(OsreportTest, ArgumentsThatOnlyResembleSlashFKeepTheDefaultMode) {
  for (const char* mode : {"-F", "-f", "/FF", "/", "F", "/F ", ""}) {
    SCOPED_TRACE(mode);
    const RunResult run = RunWith({mode}, XpQuery);
    EXPECT_EQ(kXpEditionLine, run.output);
    EXPECT_EQ(0, run.status);
  }
}

TEST(OsreportTest, BasicRecordReportIsFollowedDirectlyByTheEditionLine) {
  const RunResult run = RunWith({"/F"}, BasicOnlyQuery);
  EXPECT_EQ(
      "Version:             4.0\n"
      "Build:               1381\n"
      "Platform ID:         VER_PLATFORM_WIN32_NT (0x00000002)\n"
      "CSDVersion:          'Service Pack 5'\n"
      "Microsoft Windows NT  4.0 (Build 1381) Service Pack 5",
      run.output);
  EXPECT_EQ(0, run.status);
}

TEST(OsreportTest, FailedQueryWritesOnlyTheErrorInSignedDecimal) {
  for (const char* mode : {"", "/F"}) {
    SCOPED_TRACE(mode);
    const RunResult run = RunWith({mode}, FailingQuery);
    EXPECT_EQ("Error -2 calling GetVersionEx()\n", run.output);
    EXPECT_EQ(1, run.status);
  }
}

#include "osreport/osreport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "osreport/osreport_testing.h"
#include "osreport/stdout_capture_testing.h"
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

// A scripted platform query: each call takes the next step, fills the record
// up to the size it is asked for on success, and records what it was given.
struct QueryStep {
  bool succeeds;
  DWORD error;  // set as the last error when the step fails
};

std::vector<QueryStep> steps;
std::vector<OSVERSIONINFOEXA> records_given;
const OSVERSIONINFOEXA kPlatformRecord = MakeRecord(2, 5, 1, 2600, "Service Pack 3", 1, 0x0300);

BOOL WINAPI ScriptedQuery(LPOSVERSIONINFOA record) {
  OSVERSIONINFOEXA given;
  std::memcpy(&given, record, sizeof(given));
  records_given.push_back(given);

  const QueryStep step = steps.at(records_given.size() - 1);
  if (!step.succeeds) {
    SetLastError(step.error);
    return FALSE;
  }
  FillUpToRequestedSize(record, kPlatformRecord);
  SetLastError(0);
  return TRUE;
}

// Fails like a careless platform that writes into the record anyway.
BOOL WINAPI ScribblingFailure(LPOSVERSIONINFOA record) {
  OSVERSIONINFOEXA* extended = reinterpret_cast<OSVERSIONINFOEXA*>(record);
  if (record->dwOSVersionInfoSize == kExtendedRecordSize) {
    extended->wSuiteMask = 0x1234;
    extended->wProductType = 0x56;
    SetLastError(87);
    return FALSE;
  }
  return ScriptedQuery(record);
}

class QueryVersionRecordTest : public testing::Test {
 protected:
  void SetUp() override {
    steps.clear();
    records_given.clear();
    std::memset(&record_, 0xAB, sizeof(record_));
  }

  OSVERSIONINFOEXA record_;
};

bool IsZeroedExceptSize(const OSVERSIONINFOEXA& record) {
  OSVERSIONINFOEXA zeroed;
  std::memset(&zeroed, 0, sizeof(zeroed));
  zeroed.dwOSVersionInfoSize = record.dwOSVersionInfoSize;
  return std::memcmp(&zeroed, &record, sizeof(record)) == 0;
}

std::string ReportOf(const OSVERSIONINFOEXA& record, bool extended) {
  return CapturedStdout([&] { PrintVersionRecord(record, extended); });
}

// Lines 5 to 7 of a record whose service pack is 0.0 and product type 1.
std::string ExtendedLinesWithSuite(const std::string& mask_and_words) {
  return "Service Pack:        0.0\n"
         "Suite Mask (" +
         mask_and_words +
         "\n"
         "Product Type:        VER_NT_WORKSTATION (0x0001)\n\n";
}

const char kXpBasicLines[] =
    "Version:             5.1\n"
    "Build:               2600\n"
    "Platform ID:         VER_PLATFORM_WIN32_NT (0x00000002)\n"
    "CSDVersion:          'Service Pack 2'\n";

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

TEST_F(QueryVersionRecordTest, ExtendedRecordOnFirstCall) {
  steps = {{true, 0}};

  const VersionQueryResult result = QueryVersionRecord(&record_, ScriptedQuery);

  EXPECT_TRUE(result.obtained);
  EXPECT_TRUE(result.extended);
  ASSERT_EQ(1u, records_given.size());
  EXPECT_EQ(156u, records_given[0].dwOSVersionInfoSize);
  EXPECT_TRUE(IsZeroedExceptSize(records_given[0]));
  EXPECT_EQ(0, std::memcmp(&kPlatformRecord, &record_, sizeof(record_)));
}

TEST_F(QueryVersionRecordTest, FallsBackToBasicRecord) {
  steps = {{false, 87}, {true, 0}};

  const VersionQueryResult result = QueryVersionRecord(&record_, ScriptedQuery);

  EXPECT_TRUE(result.obtained);
  EXPECT_FALSE(result.extended);
  ASSERT_EQ(2u, records_given.size());
  EXPECT_EQ(156u, records_given[0].dwOSVersionInfoSize);
  EXPECT_EQ(148u, records_given[1].dwOSVersionInfoSize);
  EXPECT_TRUE(IsZeroedExceptSize(records_given[1]));
  // The extended fields keep the zeros of the first fill.
  EXPECT_EQ(148u, record_.dwOSVersionInfoSize);
  EXPECT_EQ(2600u, record_.dwBuildNumber);
  EXPECT_STREQ("Service Pack 3", record_.szCSDVersion);
  EXPECT_EQ(0, record_.wServicePackMajor);
  EXPECT_EQ(0, record_.wSuiteMask);
  EXPECT_EQ(0, record_.wProductType);
}

TEST_F(QueryVersionRecordTest, BasicQueryDoesNotClearTheRecordAgain) {
  steps = {{true, 0}};  // for the basic call, the only one scripted

  const VersionQueryResult result = QueryVersionRecord(&record_, ScribblingFailure);

  EXPECT_TRUE(result.obtained);
  EXPECT_FALSE(result.extended);
  ASSERT_EQ(1u, records_given.size());  // the scripted second call
  EXPECT_EQ(148u, records_given[0].dwOSVersionInfoSize);
  EXPECT_EQ(0x1234, records_given[0].wSuiteMask);
  EXPECT_EQ(0x1234, record_.wSuiteMask);
  EXPECT_EQ(0x56, record_.wProductType);
}

TEST_F(QueryVersionRecordTest, BothQueriesFailWithTheSecondCallsError) {
  steps = {{false, 87}, {false, 1150}};

  const VersionQueryResult result = QueryVersionRecord(&record_, ScriptedQuery);

  EXPECT_FALSE(result.obtained);
  EXPECT_FALSE(result.extended);
  EXPECT_EQ(1150u, result.error_code);
  EXPECT_EQ(2u, records_given.size());
}

TEST(PrintVersionRecordTest, ExtendedRecordWritesAllSevenLines) {
  OSVERSIONINFOEXA record = MakeRecord(2, 5, 1, 2600, "Service Pack 2", 1, 0x0300);
  record.wServicePackMajor = 2;
  record.wServicePackMinor = 0;

  EXPECT_EQ(std::string(kXpBasicLines) +
                "Service Pack:        2.0\n"
                "Suite Mask (0x0300): VER_SUITE_PERSONAL \n"
                "Product Type:        VER_NT_WORKSTATION (0x0001)\n\n",
            ReportOf(record, true));
}

TEST(PrintVersionRecordTest, BasicRecordStopsAfterServicePackText) {
  OSVERSIONINFOEXA record = MakeRecord(2, 5, 1, 2600, "Service Pack 2", 1, 0x0300);
  record.wServicePackMajor = 2;

  EXPECT_EQ(kXpBasicLines, ReportOf(record, false));
}

TEST(PrintVersionRecordTest, BuildShowsOnlyLowHalf) {
  const std::string report = ReportOf(MakeRecord(1, 4, 10, 0x04000457, " A "), false);
  EXPECT_EQ(
      "Version:             4.10\n"
      "Build:               1111\n"
      "Platform ID:         VER_PLATFORM_WIN32_WINDOWS (0x00000001)\n"
      "CSDVersion:          ' A '\n",
      report);
}

TEST(PrintVersionRecordTest, PlatformIdNamesAndHexDigits) {
  struct Case {
    DWORD platform_id;
    const char* line;
  } cases[] = {
      {0, "Platform ID:         VER_PLAFTORM_WIN32s (0x00000000)\n"},
      {1, "Platform ID:         VER_PLATFORM_WIN32_WINDOWS (0x00000001)\n"},
      {2, "Platform ID:         VER_PLATFORM_WIN32_NT (0x00000002)\n"},
      {3, "Platform ID:         <UNKNOWN> (0x00000003)\n"},
      {0x0001000A, "Platform ID:         <UNKNOWN> (0x0001000A)\n"},
      {0xABCDEF12, "Platform ID:         <UNKNOWN> (0xABCDEF12)\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.platform_id);
    EXPECT_EQ(std::string("Version:             0.0\n"
                          "Build:               0\n") +
                  c.line + "CSDVersion:          ''\n",
              ReportOf(MakeRecord(c.platform_id, 0, 0, 0, ""), false));
  }
}

TEST(PrintVersionRecordTest, NumbersAreSignedDecimalOfWidenedFields) {
  OSVERSIONINFOEXA record = MakeRecord(2, 0xFFFFFFFF, 0x80000000, 0xFFFF, "");
  record.wServicePackMajor = 0xFFFF;
  record.wServicePackMinor = 0x8000;
  record.wProductType = 0xFF;
  record.wSuiteMask = 0xFFFF;

  EXPECT_EQ(
      "Version:             -1.-2147483648\n"
      "Build:               65535\n"
      "Platform ID:         VER_PLATFORM_WIN32_NT (0x00000002)\n"
      "CSDVersion:          ''\n"
      "Service Pack:        65535.32768\n"
      "Suite Mask (0xffff): VER_SUITE_BACKOFFICE VER_SUITE_BLADE "
      "VER_SUITE_DATACENTER VER_SUITE_ENTERPRISE VER_SUITE_PERSONAL "
      "VER_SUITE_SMALLBUSINESS VER_SUITE_SMALLBUSINESS_RESTRICTED "
      "VER_SUITE_TERMINAL\n"
      "Product Type:        UNKNOWN (0x00FF)\n\n",
      ReportOf(record, true));
}

TEST(PrintVersionRecordTest, SuiteMaskLine) {
  struct Case {
    WORD mask;
    const char* mask_and_words;
  } cases[] = {
      {0x0000, "0x0000): "},
      {0x0004, "0x0004): VER_SUITE_BACKOFFICE "},
      {0x0400, "0x0400): VER_SUITE_BLADE "},
      {0x0080, "0x0080): VER_SUITE_DATACENTER "},
      {0x0002, "0x0002): VER_SUITE_ENTERPRISE "},
      {0x0200, "0x0200): VER_SUITE_PERSONAL "},
      {0x0001, "0x0001): VER_SUITE_SMALLBUSINESS "},
      {0x0020, "0x0020): VER_SUITE_SMALLBUSINESS_RESTRICTED "},
      {0x0010, "0x0010): VER_SUITE_TERMINAL"},
      {0x0021, "0x0021): VER_SUITE_SMALLBUSINESS VER_SUITE_SMALLBUSINESS_RESTRICTED "},
      {0x0110, "0x0110): VER_SUITE_TERMINAL"},
      {0x0014, "0x0014): VER_SUITE_BACKOFFICE VER_SUITE_TERMINAL"},
      {0x0286,
       "0x0286): VER_SUITE_BACKOFFICE VER_SUITE_DATACENTER "
       "VER_SUITE_ENTERPRISE VER_SUITE_PERSONAL "},
      {0xF948, "0xf948): "},  // only bits without a word
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mask);
    EXPECT_EQ(std::string(kXpBasicLines) + ExtendedLinesWithSuite(c.mask_and_words),
              ReportOf(MakeRecord(2, 5, 1, 2600, "Service Pack 2", 1, c.mask), true));
  }
}

TEST(PrintVersionRecordTest, ProductTypeLine) {
  struct Case {
    BYTE product_type;
    const char* line;
  } cases[] = {
      {0, "Product Type:        UNKNOWN (0x0000)\n\n"},
      {1, "Product Type:        VER_NT_WORKSTATION (0x0001)\n\n"},
      {2, "Product Type:        VER_NT_DOMAIN_CONTROLLER (0x0002)\n\n"},
      {3, "Product Type:        VER_NT_SERVER (0x0003)\n\n"},
      {4, "Product Type:        UNKNOWN (0x0004)\n\n"},
      {0xAB, "Product Type:        UNKNOWN (0x00AB)\n\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.product_type);
    EXPECT_EQ(std::string(kXpBasicLines) +
                  "Service Pack:        0.0\n"
                  "Suite Mask (0x0000): \n" +
                  c.line,
              ReportOf(MakeRecord(2, 5, 1, 2600, "Service Pack 2", c.product_type), true));
  }
}

TEST(PrintVersionRecordTest, UnterminatedServicePackTextStopsAtFieldEnd) {
  OSVERSIONINFOEXA record = MakeRecord(2, 5, 1, 2600, "");
  std::memset(record.szCSDVersion, 'x', sizeof(record.szCSDVersion));
  record.wServicePackMajor = 0x4141;  // would follow the text if read past it

  EXPECT_EQ(
      "Version:             5.1\n"
      "Build:               2600\n"
      "Platform ID:         VER_PLATFORM_WIN32_NT (0x00000002)\n"
      "CSDVersion:          '" +
          std::string(128, 'x') + "'\n",
      ReportOf(record, false));
}

// The program as it runs on a host without a Windows version record.
TEST(OsreportPosixTest, ReportsThatNoVersionRecordIsAvailable) {
  OSVERSIONINFOA probe = {};
  probe.dwOSVersionInfoSize = sizeof(probe);
  if (GetVersionExA(&probe))
    GTEST_SKIP() << "this host has a Windows version record";
  RunResult run = RunWith({});
  EXPECT_EQ("Error 50 calling GetVersionEx()\n", run.output);
  EXPECT_EQ(1, run.status);

  run = RunWith({"/F"});
  EXPECT_EQ("Error 50 calling GetVersionEx()\n", run.output);
  EXPECT_EQ(1, run.status);
}

#include "osreport/version_report.h"

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "osreport/stdout_capture_testing.h"
#include "osreport/version_record_testing.h"

namespace {

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

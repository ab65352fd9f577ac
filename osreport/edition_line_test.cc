#include "osreport/edition_line.h"

#include <string>

#include <gtest/gtest.h>

#include "osreport/stdout_capture_testing.h"
#include "osreport/version_record_testing.h"

namespace {

std::string LineOf(const OSVERSIONINFOEXA& record) {
  return CapturedStdout([&] { PrintEditionLine(record); });
}

struct LineCase {
  OSVERSIONINFOEXA record;
  const char* line;
};

template <size_t N>
void ExpectLines(const LineCase (&cases)[N]) {
  for (size_t i = 0; i < N; ++i) {
    SCOPED_TRACE(cases[i].line);
    EXPECT_EQ(cases[i].line, LineOf(cases[i].record));
  }
}

const DWORD k9xBuild1111 = 0x04000457;  // high half 0x0400, low half 1111

}  // namespace

TEST(EditionLineTest, Win32sWhateverItsVersion) {
  const LineCase cases[] = {
      {MakeRecord(0, 3, 11, 0x0400, ""), "Microsoft Win32s in Windows 3.11 (Build 1024) "},
      {MakeRecord(0, 5, 1, k9xBuild1111, " C"), "Microsoft Win32s in Windows 5.1 (Build 1111)  C"},
  };
  ExpectLines(cases);
}

TEST(EditionLineTest, Windows95SuffixFromSecondCharacter) {
  const LineCase cases[] = {
      {MakeRecord(1, 4, 0, 0x040003B6, " C"), "Microsoft Windows 95 OSR2 4.0 (Build 950)  C"},
      {MakeRecord(1, 4, 0, 0x040003B6, " B"), "Microsoft Windows 95 OSR2 4.0 (Build 950)  B"},
      {MakeRecord(1, 4, 0, 0x040003B6, "xB "), "Microsoft Windows 95 OSR2 4.0 (Build 950) xB "},
      {MakeRecord(1, 4, 0, 0x040003B6, " c"), "Microsoft Windows 95 4.0 (Build 950)  c"},
      {MakeRecord(1, 4, 0, 0x040003B6, " b"), "Microsoft Windows 95 4.0 (Build 950)  b"},
      {MakeRecord(1, 4, 0, 0x040003B6, "C"), "Microsoft Windows 95 4.0 (Build 950) C"},
      {MakeRecord(1, 4, 0, 0x040003B6, " A"), "Microsoft Windows 95 4.0 (Build 950)  A"},
      {MakeRecord(1, 4, 0, 0x040003B6, ""), "Microsoft Windows 95 4.0 (Build 950) "},
      {MakeRecord(1, 4, 0, k9xBuild1111, " C"), "Microsoft Windows 95 OSR2 4.0 (Build 1111)  C"},
  };
  ExpectLines(cases);
}

TEST(EditionLineTest, Windows98SuffixFromSecondCharacter) {
  const LineCase cases[] = {
      {MakeRecord(1, 4, 10, 0x040A08AE, " A "), "Microsoft Windows 98 SE 4.10 (Build 2222)  A "},
      {MakeRecord(1, 4, 10, 0x040A08AE, "xA"), "Microsoft Windows 98 SE 4.10 (Build 2222) xA"},
      {MakeRecord(1, 4, 10, 0x040A08AE, " a "), "Microsoft Windows 98 4.10 (Build 2222)  a "},
      {MakeRecord(1, 4, 10, 0x040A08AE, "A"), "Microsoft Windows 98 4.10 (Build 2222) A"},
      {MakeRecord(1, 4, 10, 0x040A08AE, " C"), "Microsoft Windows 98 4.10 (Build 2222)  C"},
      {MakeRecord(1, 4, 10, 0x040A07CE, ""), "Microsoft Windows 98 4.10 (Build 1998) "},
  };
  ExpectLines(cases);
}

TEST(EditionLineTest, MilleniumWhateverTheServicePackText) {
  const LineCase cases[] = {
      {MakeRecord(1, 4, 90, 0x045A0BB8, " "),
       "Microsoft Windows Millenium Edition 4.90 (Build 3000)  "},
      {MakeRecord(1, 4, 90, 0x045A0BB8, " A"),
       "Microsoft Windows Millenium Edition 4.90 (Build 3000)  A"},
  };
  ExpectLines(cases);
}

TEST(EditionLineTest, Other9xVersions) {
  const LineCase cases[] = {
      {MakeRecord(1, 4, 3, k9xBuild1111, " C"), "Microsoft Windows 4.3 (Build 1111)  C"},
      {MakeRecord(1, 5, 0, 0, ""), "Microsoft Windows 5.0 (Build 0) "},
      {MakeRecord(1, 3, 0, 0, " A"), "Microsoft Windows 3.0 (Build 0)  A"},
  };
  ExpectLines(cases);
}

TEST(EditionLineTest, NtFourAndOlderByProductType) {
  const LineCase cases[] = {
      {MakeRecord(2, 4, 0, 1381, "Service Pack 6", 1),
       "Microsoft Windows NT Workstation 4.0 (Build 1381) Service Pack 6"},
      {MakeRecord(2, 4, 0, 1381, "Service Pack 6", 2, 0x0080),
       "Microsoft Windows NT Advanced Server 4.0 (Build 1381) Service Pack 6"},
      {MakeRecord(2, 3, 51, 1057, "Service Pack 5", 3),
       "Microsoft Windows NT Server 3.51 (Build 1057) Service Pack 5"},
      {MakeRecord(2, 3, 99, 0x00010421, "", 0), "Microsoft Windows NT  3.99 (Build 1057) "},
      {MakeRecord(2, 0, 0, 0, "", 4), "Microsoft Windows NT  0.0 (Build 0) "},
  };
  ExpectLines(cases);
}

TEST(EditionLineTest, Windows2000ByProductTypeAndSuite) {
  const LineCase cases[] = {
      {MakeRecord(2, 5, 0, 2195, "Service Pack 4", 1, 0xFFFF),
       "Microsoft Windows 2000 Professional 5.0 (Build 2195) Service Pack 4\n"},
      {MakeRecord(2, 5, 0, 2195, "", 2, 0x0080),
       "Microsoft Windows 2000 Advanced Server (DC) 5.0 (Build 2195) \n"},
      {MakeRecord(2, 5, 0, 2195, "", 3, 0x0082),
       "Microsoft Windows 2000 DataCenter Server 5.0 (Build 2195) \n"},
      {MakeRecord(2, 5, 0, 2195, "", 3, 0x0002),
       "Microsoft Windows 2000 Advanced Server 5.0 (Build 2195) \n"},
      {MakeRecord(2, 5, 0, 2195, "", 3, 0xFF7D),
       "Microsoft Windows 2000 Server 5.0 (Build 2195) \n"},
      {MakeRecord(2, 5, 0, 2195, "Service Pack 1", 0, 0x0082),
       "Microsoft Windows 2000  5.0 (Build 2195) Service Pack 1\n"},
  };
  ExpectLines(cases);
}

TEST(EditionLineTest, XpByProductTypeAndSuite) {
  const LineCase cases[] = {
      {MakeRecord(2, 5, 1, 2600, "Service Pack 3", 1, 0x0300),
       "Microsoft Windows XP Home Edition 5.1 (Build 2600) Service Pack 3"},
      {MakeRecord(2, 5, 1, 2600, "Service Pack 3", 1, 0xFDFF),
       "Microsoft Windows XP Professional 5.1 (Build 2600) Service Pack 3"},
      {MakeRecord(2, 5, 1, 2600, "", 2, 0x0282),
       "Microsoft Windows {XP|NET} VER_NT_DOMAIN_CONTROLLER 5.1 (Build 2600) "},
      {MakeRecord(2, 5, 1, 2600, "", 3, 0x0282),
       "Microsoft Windows XP DataCenter Server 5.1 (Build 2600) "},
      {MakeRecord(2, 5, 1, 2600, "", 3, 0x0202),
       "Microsoft Windows .NET Enterprise Server 5.1 (Build 2600) "},
      {MakeRecord(2, 5, 1, 2600, "", 3, 0x0200),
       "Microsoft Windows .NET Web Server 5.1 (Build 2600) "},
      {MakeRecord(2, 5, 1, 2600, "", 3, 0x0400), "Microsoft Windows  5.1 (Build 2600) "},
      {MakeRecord(2, 5, 1, 2600, "", 3, 0xFD7D), "Microsoft Windows  5.1 (Build 2600) "},
      {MakeRecord(2, 5, 1, 2600, "Service Pack 2", 0, 0x0200),
       "Microsoft Windows  5.1 (Build 2600) Service Pack 2"},
  };
  ExpectLines(cases);
}

TEST(EditionLineTest, LaterNtVersionsByVersionAndProductType) {
  const LineCase cases[] = {
      {MakeRecord(2, 5, 2, 3790, "Service Pack 2", 1),
       "Microsoft Windows XP Professional x64 Edition 5.2 (Build 3790) Service Pack 2"},
      {MakeRecord(2, 5, 2, 3790, "", 3, 0x0002), "Microsoft Windows Server 2003 5.2 (Build 3790) "},
      {MakeRecord(2, 5, 2, 3790, "", 0), "Microsoft Windows Server 2003 5.2 (Build 3790) "},
      {MakeRecord(2, 6, 0, 6002, "Service Pack 2", 1),
       "Microsoft Windows Vista 6.0 (Build 6002) Service Pack 2"},
      {MakeRecord(2, 6, 0, 6002, "", 2), "Microsoft Windows Server 2008 6.0 (Build 6002) "},
      {MakeRecord(2, 6, 1, 7601, "Service Pack 1", 1),
       "Microsoft Windows 7 6.1 (Build 7601) Service Pack 1"},
      {MakeRecord(2, 6, 1, 7601, "", 3), "Microsoft Windows Server 2008 R2 6.1 (Build 7601) "},
      {MakeRecord(2, 6, 2, 9200, "", 1), "Microsoft Windows 8 6.2 (Build 9200) "},
      {MakeRecord(2, 6, 2, 9200, "", 3), "Microsoft Windows Server 2012 6.2 (Build 9200) "},
      {MakeRecord(2, 6, 3, 9600, "", 1), "Microsoft Windows 8.1 6.3 (Build 9600) "},
      {MakeRecord(2, 6, 3, 9600, "", 3), "Microsoft Windows Server 2012 R2 6.3 (Build 9600) "},
  };
  ExpectLines(cases);
}

TEST(EditionLineTest, Version10NamedByBuild) {
  const LineCase cases[] = {
      {MakeRecord(2, 10, 0, 10240, "", 1), "Microsoft Windows 10 10.0 (Build 10240) "},
      {MakeRecord(2, 10, 0, 21999, "", 1), "Microsoft Windows 10 10.0 (Build 21999) "},
      {MakeRecord(2, 10, 0, 22000, "", 1), "Microsoft Windows 11 10.0 (Build 22000) "},
      {MakeRecord(2, 10, 0, 0x00016590, "", 1), "Microsoft Windows 11 10.0 (Build 26000) "},
      {MakeRecord(2, 10, 0, 0x000155F0, "", 1), "Microsoft Windows 11 10.0 (Build 22000) "},
      {MakeRecord(2, 10, 0, 10240, "", 3), "Microsoft Windows  10.0 (Build 10240) "},
      {MakeRecord(2, 10, 0, 14392, "", 3), "Microsoft Windows  10.0 (Build 14392) "},
      {MakeRecord(2, 10, 0, 14393, "", 3), "Microsoft Windows Server 2016 10.0 (Build 14393) "},
      {MakeRecord(2, 10, 0, 17762, "", 2), "Microsoft Windows Server 2016 10.0 (Build 17762) "},
      {MakeRecord(2, 10, 0, 17763, "", 3), "Microsoft Windows Server 2019 10.0 (Build 17763) "},
      {MakeRecord(2, 10, 0, 20347, "", 3), "Microsoft Windows Server 2019 10.0 (Build 20347) "},
      {MakeRecord(2, 10, 0, 20348, "", 0), "Microsoft Windows Server 2022 10.0 (Build 20348) "},
      {MakeRecord(2, 10, 0, 26099, "", 3), "Microsoft Windows Server 2022 10.0 (Build 26099) "},
      {MakeRecord(2, 10, 0, 26100, "", 3), "Microsoft Windows Server 2025 10.0 (Build 26100) "},
      {MakeRecord(2, 10, 0, 65535, "", 3), "Microsoft Windows Server 2025 10.0 (Build 65535) "},
  };
  ExpectLines(cases);
}

TEST(EditionLineTest, UnnamedNtVersionsGetAnEmptyWord) {
  const LineCase cases[] = {
      {MakeRecord(2, 5, 3, 1, "", 1), "Microsoft Windows  5.3 (Build 1) "},
      {MakeRecord(2, 6, 4, 9841, "", 1), "Microsoft Windows  6.4 (Build 9841) "},
      {MakeRecord(2, 7, 0, 1, "x", 3), "Microsoft Windows  7.0 (Build 1) x"},
      {MakeRecord(2, 10, 1, 22000, "", 1), "Microsoft Windows  10.1 (Build 22000) "},
      // Majors are unsigned: the largest is no NT 4.
      {MakeRecord(2, 0xFFFFFFFF, 0, 1381, "", 1), "Microsoft Windows  -1.0 (Build 1381) "},
  };
  ExpectLines(cases);
}

TEST(EditionLineTest, OtherPlatformsWriteNothing) {
  EXPECT_EQ("", LineOf(MakeRecord(3, 5, 1, 2600, "", 1)));
  EXPECT_EQ("", LineOf(MakeRecord(0x00010002, 5, 1, 2600, "", 1)));
  EXPECT_EQ("", LineOf(MakeRecord(0xFFFFFFFF, 4, 0, 950, "", 1)));
}

#include "edition_line.h"

#include <cstdio>

#include "version_fields.h"

namespace {

// What every edition line shows after its edition name.
struct LineValues {
  explicit LineValues(const OSVERSIONINFOEXA& record)
      : major(AsPrintedNumber(record.dwMajorVersion)),
        minor(AsPrintedNumber(record.dwMinorVersion)),
        build(AsPrintedNumber(BuildValue(record))),
        csd(CsdText(record)) {}

  int major;
  int minor;
  int build;
  std::string csd;
};

bool IsVersion(const OSVERSIONINFOEXA& record, DWORD major, DWORD minor) {
  return record.dwMajorVersion == major && record.dwMinorVersion == minor;
}

struct EditionNames {
  DWORD major;
  DWORD minor;
  const char* workstation;
  const char* server;
};

const EditionNames kLaterEditions[] = {
    {5, 2, "XP Professional x64 Edition", "Server 2003"},
    {6, 0, "Vista", "Server 2008"},
    {6, 1, "7", "Server 2008 R2"},
    {6, 2, "8", "Server 2012"},
    {6, 3, "8.1", "Server 2012 R2"},
};

struct BuildName {
  DWORD first_build;
  const char* name;
};

// Windows 10 and its successors all report version 10.0; only the build
// tells them apart. Newest first.
const BuildName kVersion10Workstations[] = {
    {22000, "11"},
    {0, "10"},
};
const BuildName kVersion10Servers[] = {
    {26100, "Server 2025"},
    {20348, "Server 2022"},
    {17763, "Server 2019"},
    {14393, "Server 2016"},
};

template <size_t N>
std::string NameByBuild(const BuildName (&names)[N], DWORD build) {
  for (const BuildName& name : names) {
    if (build >= name.first_build) return name.name;
  }
  return "";
}

void PrintWin32sLine(const OSVERSIONINFOEXA& record) {
  const LineValues v(record);
  printf("Microsoft Win32s in Windows %d.%d (Build %d) %s", v.major, v.minor,
         v.build, v.csd.c_str());
}

void PrintWindows9xLine(const OSVERSIONINFOEXA& record) {
  const LineValues v(record);
  if (IsVersion(record, 4, 0)) {
    printf("Microsoft Windows 95%s %d.%d (Build %d) %s",
           NinetyFiveSuffix(record).c_str(), v.major, v.minor, v.build,
           v.csd.c_str());
  } else if (IsVersion(record, 4, 10)) {
    printf("Microsoft Windows 98%s %d.%d (Build %d) %s",
           NinetyEightSuffix(record).c_str(), v.major, v.minor, v.build,
           v.csd.c_str());
  } else if (IsVersion(record, 4, 90)) {
    printf("Microsoft Windows Millenium Edition %d.%d (Build %d) %s", v.major,
           v.minor, v.build, v.csd.c_str());
  } else {
    printf("Microsoft Windows %d.%d (Build %d) %s", v.major, v.minor, v.build,
           v.csd.c_str());
  }
}

void PrintNtLine(const OSVERSIONINFOEXA& record) {
  const LineValues v(record);
  const BYTE product_type = record.wProductType;
  const WORD suite_mask = record.wSuiteMask;
  if (record.dwMajorVersion <= 4) {
    printf("Microsoft Windows NT %s %d.%d (Build %d) %s",
           NtEditionWord(product_type).c_str(), v.major, v.minor, v.build,
           v.csd.c_str());
  } else if (IsVersion(record, 5, 0)) {
    printf("Microsoft Windows 2000 %s %d.%d (Build %d) %s\n",
           Windows2000EditionWord(product_type, suite_mask).c_str(), v.major,
           v.minor, v.build, v.csd.c_str());
  } else {
    const std::string word =
        IsVersion(record, 5, 1)
            ? XpEditionWord(product_type, suite_mask)
            : LaterNtEditionWord(record.dwMajorVersion, record.dwMinorVersion,
                                 BuildValue(record), product_type);
    printf("Microsoft Windows %s %d.%d (Build %d) %s", word.c_str(), v.major,
           v.minor, v.build, v.csd.c_str());
  }
}

}  // namespace

// The second character is what the 9x releases vary ("A", "B", "C" after a
// blank); the first is not looked at, and case matters.
std::string NinetyFiveSuffix(const OSVERSIONINFOEXA& record) {
  const CHAR release = record.szCSDVersion[1];
  return (release == 'C' || release == 'B') ? " OSR2" : "";
}

std::string NinetyEightSuffix(const OSVERSIONINFOEXA& record) {
  return record.szCSDVersion[1] == 'A' ? " SE" : "";
}

std::string NtEditionWord(BYTE product_type) {
  switch (product_type) {
    case kProductWorkstation: return "Workstation";
    case kProductDomainController: return "Advanced Server";
    case kProductServer: return "Server";
    default: return "";
  }
}

std::string Windows2000EditionWord(BYTE product_type, WORD suite_mask) {
  switch (product_type) {
    case kProductWorkstation: return "Professional";
    case kProductDomainController: return "Advanced Server (DC)";
    case kProductServer:
      if (suite_mask & kSuiteDataCenter) return "DataCenter Server";
      if (suite_mask & kSuiteEnterprise) return "Advanced Server";
      return "Server";
    default: return "";
  }
}

std::string XpEditionWord(BYTE product_type, WORD suite_mask) {
  switch (product_type) {
    case kProductWorkstation:
      return (suite_mask & kSuitePersonal) ? "XP Home Edition" : "XP Professional";
    case kProductDomainController: return "{XP|NET} VER_NT_DOMAIN_CONTROLLER";
    case kProductServer:
      if (suite_mask & kSuiteDataCenter) return "XP DataCenter Server";
      if (suite_mask & kSuiteEnterprise) return ".NET Enterprise Server";
      if (suite_mask & kSuitePersonal) return ".NET Web Server";
      return "";
    default: return "";
  }
}

std::string LaterNtEditionWord(DWORD major, DWORD minor, DWORD build,
                               BYTE product_type) {
  const bool workstation = product_type == kProductWorkstation;
  for (const EditionNames& names : kLaterEditions) {
    if (names.major == major && names.minor == minor)
      return workstation ? names.workstation : names.server;
  }
  if (major == 10 && minor == 0) {
    return workstation ? NameByBuild(kVersion10Workstations, build)
                       : NameByBuild(kVersion10Servers, build);
  }
  return "";
}

void PrintEditionLine(const OSVERSIONINFOEXA& record) {
  switch (record.dwPlatformId) {
    case kPlatformWin32s: PrintWin32sLine(record); return;
    case kPlatformWindows: PrintWindows9xLine(record); return;
    case kPlatformNt: PrintNtLine(record); return;
    default: return;
  }
}

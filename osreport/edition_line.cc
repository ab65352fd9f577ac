#include "osreport/edition_line.h"

#include <stddef.h>
#include <stdio.h>

#include "osreport/version_fields.h"

namespace {

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
const char* NameByBuild(const BuildName (&names)[N], DWORD build) {
  for (const BuildName& name : names) {
    if (build >= name.first_build)
      return name.name;
  }
  return "";
}

// The second character is what the 9x releases vary ("A", "B", "C" after a
// blank); the first is not looked at, and case matters.
const char* NinetyFiveSuffix(const OSVERSIONINFOEXA& record) {
  const CHAR release = record.szCSDVersion[1];
  return (release == 'C' || release == 'B') ? " OSR2" : "";
}

const char* NinetyEightSuffix(const OSVERSIONINFOEXA& record) {
  return record.szCSDVersion[1] == 'A' ? " SE" : "";
}

// Edition words of the NT family. An empty word means the record names no
// edition for that version; the line then carries nothing in its place.

// NT 4 and older.
const char* NtEditionWord(BYTE product_type) {
  switch (product_type) {
    case VER_NT_WORKSTATION:
      return "Workstation";
    case VER_NT_DOMAIN_CONTROLLER:
      return "Advanced Server";
    case VER_NT_SERVER:
      return "Server";
    default:
      return "";
  }
}

// 5.0.
const char* Windows2000EditionWord(BYTE product_type, WORD suite_mask) {
  switch (product_type) {
    case VER_NT_WORKSTATION:
      return "Professional";
    case VER_NT_DOMAIN_CONTROLLER:
      return "Advanced Server (DC)";
    case VER_NT_SERVER:
      if (suite_mask & VER_SUITE_DATACENTER)
        return "DataCenter Server";
      if (suite_mask & VER_SUITE_ENTERPRISE)
        return "Advanced Server";
      return "Server";
    default:
      return "";
  }
}

// 5.1.
const char* XpEditionWord(BYTE product_type, WORD suite_mask) {
  switch (product_type) {
    case VER_NT_WORKSTATION:
      return (suite_mask & VER_SUITE_PERSONAL) ? "XP Home Edition" : "XP Professional";
    case VER_NT_DOMAIN_CONTROLLER:
      return "{XP|NET} VER_NT_DOMAIN_CONTROLLER";
    case VER_NT_SERVER:
      if (suite_mask & VER_SUITE_DATACENTER)
        return "XP DataCenter Server";
      if (suite_mask & VER_SUITE_ENTERPRISE)
        return ".NET Enterprise Server";
      if (suite_mask & VER_SUITE_PERSONAL)
        return ".NET Web Server";
      return "";
    default:
      return "";
  }
}

// 5.2 on.
const char* LaterNtEditionWord(DWORD major, DWORD minor, DWORD build, BYTE product_type) {
  const bool workstation = product_type == VER_NT_WORKSTATION;
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

// Every edition line is the product name (a family and the word that
// follows it), then the version, the build and the service-pack text.
void PrintLine(const char* family, const char* word, const OSVERSIONINFOEXA& record,
               const char* line_end = "") {
  printf("Microsoft %s%s %d.%d (Build %d) %.*s%s", family, word,
         AsPrintedNumber(record.dwMajorVersion), AsPrintedNumber(record.dwMinorVersion),
         AsPrintedNumber(BuildValue(record)), CsdPrecision(record), record.szCSDVersion, line_end);
}

void PrintWindows9xLine(const OSVERSIONINFOEXA& record) {
  if (IsVersion(record, 4, 0)) {
    PrintLine("Windows 95", NinetyFiveSuffix(record), record);
  } else if (IsVersion(record, 4, 10)) {
    PrintLine("Windows 98", NinetyEightSuffix(record), record);
  } else if (IsVersion(record, 4, 90)) {
    PrintLine("Windows Millenium Edition", "", record);
  } else {
    PrintLine("Windows", "", record);
  }
}

void PrintNtLine(const OSVERSIONINFOEXA& record) {
  const BYTE product_type = record.wProductType;
  const WORD suite_mask = record.wSuiteMask;
  if (record.dwMajorVersion <= 4) {
    PrintLine("Windows NT ", NtEditionWord(product_type), record);
  } else if (IsVersion(record, 5, 0)) {
    PrintLine("Windows 2000 ", Windows2000EditionWord(product_type, suite_mask), record, "\n");
  } else if (IsVersion(record, 5, 1)) {
    PrintLine("Windows ", XpEditionWord(product_type, suite_mask), record);
  } else {
    PrintLine("Windows ",
              LaterNtEditionWord(record.dwMajorVersion, record.dwMinorVersion, BuildValue(record),
                                 product_type),
              record);
  }
}

}  // namespace

void PrintEditionLine(const OSVERSIONINFOEXA& record) {
  switch (record.dwPlatformId) {
    case VER_PLATFORM_WIN32s:
      PrintLine("Win32s in Windows", "", record);
      return;
    case VER_PLATFORM_WIN32_WINDOWS:
      PrintWindows9xLine(record);
      return;
    case VER_PLATFORM_WIN32_NT:
      PrintNtLine(record);
      return;
    default:
      return;
  }
}

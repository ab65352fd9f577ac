// Values of the version record's fields that osreport gives meaning to, and
// the forms in which it reads the record's build and service-pack text.
//
// Own names rather than the VER_* macros: the stand-in <windows.h> of other
// hosts does not carry them, and the report must mean the same everywhere.
#ifndef OSREPORT_VERSION_FIELDS_H_
#define OSREPORT_VERSION_FIELDS_H_

#include <windows.h>

#include <algorithm>
#include <string>

constexpr DWORD kPlatformWin32s = 0;
constexpr DWORD kPlatformWindows = 1;  // the Windows 95 and 98 family
constexpr DWORD kPlatformNt = 2;

constexpr BYTE kProductWorkstation = 1;
constexpr BYTE kProductDomainController = 2;
constexpr BYTE kProductServer = 3;

constexpr WORD kSuiteSmallBusiness = 0x0001;
constexpr WORD kSuiteEnterprise = 0x0002;
constexpr WORD kSuiteBackOffice = 0x0004;
constexpr WORD kSuiteTerminal = 0x0010;
constexpr WORD kSuiteSmallBusinessRestricted = 0x0020;
constexpr WORD kSuiteDataCenter = 0x0080;
constexpr WORD kSuitePersonal = 0x0200;
constexpr WORD kSuiteBlade = 0x0400;

// Windows 9x keeps its major and minor version in the build number's high
// half, so only the low half is ever shown or compared.
inline DWORD BuildValue(const OSVERSIONINFOEXA& record) {
  return record.dwBuildNumber & 0xFFFF;
}

// The service-pack text, stopped at the end of its field should the record
// carry no terminating zero.
inline std::string CsdText(const OSVERSIONINFOEXA& record) {
  const CHAR* begin = record.szCSDVersion;
  const CHAR* end = begin + sizeof(record.szCSDVersion);
  return std::string(begin, std::find(begin, end, '\0'));
}

// printf's %d takes an int; the record's fields are shown as signed 32-bit
// values whatever their width.
inline int AsPrintedNumber(DWORD value) { return static_cast<int>(value); }

#endif  // OSREPORT_VERSION_FIELDS_H_

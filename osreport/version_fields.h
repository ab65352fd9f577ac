// The forms in which osreport reads the version record's build number and
// service-pack text.
#ifndef OSREPORT_VERSION_FIELDS_H_
#define OSREPORT_VERSION_FIELDS_H_

#include <windows.h>

// Windows 9x keeps its major and minor version in the build number's high
// half, so only the low half is ever shown or compared.
inline DWORD BuildValue(const OSVERSIONINFOEXA& record) { return record.dwBuildNumber & 0xFFFF; }

// The service-pack text is printed with "%.*s" and this precision, so that
// it stops at the end of its field should the record carry no terminating
// zero.
inline int CsdPrecision(const OSVERSIONINFOEXA& record) {
  return static_cast<int>(sizeof(record.szCSDVersion));
}

// printf's %d takes an int; the record's fields are shown as signed 32-bit
// values whatever their width.
inline int AsPrintedNumber(DWORD value) { return static_cast<int>(value); }

#endif  // OSREPORT_VERSION_FIELDS_H_

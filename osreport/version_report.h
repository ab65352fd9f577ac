// The raw report: the version record's fields, one per line.
#ifndef OSREPORT_VERSION_REPORT_H_
#define OSREPORT_VERSION_REPORT_H_

#include <windows.h>

// Writes the fields to standard output; the service-pack numbers, suite mask
// and product type only when the record is |extended|.
void PrintVersionRecord(const OSVERSIONINFOEXA& record, bool extended);

#endif  // OSREPORT_VERSION_REPORT_H_

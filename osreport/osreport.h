// One run of osreport, from its arguments to its exit status.
#ifndef OSREPORT_OSREPORT_H_
#define OSREPORT_OSREPORT_H_

#include "osreport/version_record.h"

// Writes the raw report when the first argument asks for it ("/F" in any
// case; later arguments are not looked at) and the edition line, and returns
// the exit status: 0 once the record was obtained, 1 when it could not be.
int RunOsreport(int argc, char** argv, VersionQueryFunction query = GetVersionExA);

#endif  // OSREPORT_OSREPORT_H_

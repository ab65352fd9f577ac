// For tests: one run of osreport, with its arguments after the program name
// and the version query it is to call.
#ifndef OSREPORT_OSREPORT_TESTING_H_
#define OSREPORT_OSREPORT_TESTING_H_

#include <string>
#include <vector>

#include "osreport/osreport.h"

struct RunResult {
  std::string output;
  int status;
};

RunResult RunWith(const std::vector<std::string>& arguments,
                  VersionQueryFunction query = GetVersionExA);

#endif  // OSREPORT_OSREPORT_TESTING_H_

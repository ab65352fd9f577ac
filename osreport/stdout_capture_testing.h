// For tests: what a piece of code writes to standard output, byte for byte.
#ifndef OSREPORT_STDOUT_CAPTURE_TESTING_H_
#define OSREPORT_STDOUT_CAPTURE_TESTING_H_

#include <functional>
#include <string>

std::string CapturedStdout(const std::function<void()>& write);

#endif  // OSREPORT_STDOUT_CAPTURE_TESTING_H_

// Test helper: what a piece of code writes to standard output, byte for byte.
#ifndef OSREPORT_STDOUT_CAPTURE_H_
#define OSREPORT_STDOUT_CAPTURE_H_

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

template <typename Writer>
std::string CapturedStdout(Writer write) {
  fflush(stdout);
  testing::internal::CaptureStdout();
  write();
  fflush(stdout);
  return testing::internal::GetCapturedStdout();
}

#endif  // OSREPORT_STDOUT_CAPTURE_H_

#include "osreport/stdout_capture_testing.h"

#include <cstdio>

#include <gtest/gtest.h>

std::string CapturedStdout(const std::function<void()>& write) {
  fflush(stdout);
  testing::internal::CaptureStdout();
  write();
  fflush(stdout);
  return testing::internal::GetCapturedStdout();
}

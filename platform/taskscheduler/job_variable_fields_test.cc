#include "job_variable_fields.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "job_file_testing.h"

namespace {

TEST(JobFileRoundTrip, KeepsTextsBeyondAscii) {
  const std::vector<std::wstring> texts = {
      L"",
      L"a",
      L"caf\u00E9 \u65E5\u672C",
      L"\U0001F600 face \U00010437",  // above U+FFFF: surrogate pairs in the file
      L"bad\xDC80\xDCFF bytes",       // escapes of bytes that were not UTF-8
      std::wstring(1000, L'x'),
  };
  for (const std::wstring& text : texts) {
    JobFile job;
    job.application_name = text;
    job.parameters = text;
    job.working_directory = text;
    job.author = text;
    job.comment = text;
    job.account_name = text;
    const JobFile parsed = RoundTrip(job);
    EXPECT_EQ(text, parsed.application_name);
    EXPECT_EQ(text, parsed.parameters);
    EXPECT_EQ(text, parsed.working_directory);
    EXPECT_EQ(text, parsed.author);
    EXPECT_EQ(text, parsed.comment);
    EXPECT_EQ(text, parsed.account_name);
  }
}

}  // namespace

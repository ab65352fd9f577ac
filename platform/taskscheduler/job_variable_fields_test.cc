#include "platform/taskscheduler/job_variable_fields.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/taskscheduler/job_file_testing.h"

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

// A text's count covers its units; the text itself ends at the first NUL
// among them, and the next field follows the counted units.
TEST(JobVariableFields, ReadsATextToItsFirstNulAndSkipsTheRestOfItsCount) {
  ByteWriter out;
  for (WORD word : {WORD{4}, WORD{L'a'}, WORD{0}, WORD{L'b'}, WORD{0}, WORD{1}, WORD{0}})
    out.Word(word);
  const std::vector<uint8_t> bytes = out.Take();
  ByteReader in(bytes.data(), bytes.size());
  std::wstring first = L"x", second = L"x";
  ASSERT_TRUE(ReadText(&in, &first));
  ASSERT_TRUE(ReadText(&in, &second));
  EXPECT_EQ(L"a", first);
  EXPECT_EQ(L"", second);  // a lone terminator
  EXPECT_EQ(bytes.size(), in.position());
}

TEST(JobVariableFields, WritesNothingForWhatTheCountCannotHold) {
  ByteWriter out;
  EXPECT_TRUE(WriteText(std::wstring(65534, L'x'), &out));
  EXPECT_EQ(2u + 65535u * 2, out.size());
  EXPECT_FALSE(WriteText(std::wstring(65535, L'x'), &out));
  EXPECT_TRUE(WriteBlock(std::vector<BYTE>(65535, 1), &out));
  EXPECT_FALSE(WriteBlock(std::vector<BYTE>(65536, 1), &out));
  EXPECT_EQ(2u + 65535u * 2 + 2u + 65535u, out.size());
}

}  // namespace

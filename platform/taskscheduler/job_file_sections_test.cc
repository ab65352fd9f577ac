#include "platform/taskscheduler/job_file_sections.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(ByteWriter, WritesLowByteFirstAndPatchesInPlace) {
  ByteWriter out;
  out.Byte(0x01);
  out.Word(0x0302);
  out.Dword(0x07060504);
  const uint8_t tail[] = {0x08, 0x09};
  out.Bytes(tail, sizeof(tail));
  out.PatchWord(1, 0xBBAA);
  EXPECT_EQ(9u, out.size());
  EXPECT_EQ((std::vector<uint8_t>{0x01, 0xAA, 0xBB, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09}),
            out.Take());
}

TEST(ByteReader, ReadsLowByteFirst) {
  const std::vector<uint8_t> bytes = {0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A};
  ByteReader in(bytes.data(), bytes.size());
  WORD word = 0;
  DWORD dword = 0;
  BYTE two[2] = {};
  std::vector<BYTE> rest;
  ASSERT_TRUE(in.Word(&word));
  ASSERT_TRUE(in.Dword(&dword));
  ASSERT_TRUE(in.Bytes(2, two));
  ASSERT_TRUE(in.Bytes(1, &rest));
  EXPECT_EQ(0x0302, word);
  EXPECT_EQ(0x07060504u, dword);
  EXPECT_EQ(0x08, two[0]);
  EXPECT_EQ(0x09, two[1]);
  EXPECT_EQ(std::vector<BYTE>{0x0A}, rest);
  EXPECT_EQ(9u, in.position());
  EXPECT_FALSE(in.Has(1));
}

// A read that does not fit never reaches past the end, and one that fails
// at its first bytes leaves the position, and the value it was given, as
// they were.
TEST(ByteReader, RefusesEveryReadPastTheEnd) {
  const std::vector<uint8_t> bytes = {0x01, 0x02, 0x03};
  ByteReader in(bytes.data(), bytes.size());
  WORD word = 0;
  ASSERT_TRUE(in.Word(&word));
  DWORD dword = 0xAAAAAAAA;
  EXPECT_FALSE(in.Dword(&dword));
  EXPECT_EQ(0xAAAAAAAAu, dword);
  EXPECT_FALSE(in.Word(&word));
  EXPECT_EQ(0x0201, word);
  BYTE two[2] = {0xEE, 0xEE};
  EXPECT_FALSE(in.Bytes(2, two));
  EXPECT_EQ(0xEE, two[0]);
  std::vector<BYTE> many = {0xEE};
  EXPECT_FALSE(in.Bytes(size_t{1} << 40, &many));
  EXPECT_EQ(std::vector<BYTE>{0xEE}, many);
  EXPECT_EQ(2u, in.position());
  EXPECT_TRUE(in.Has(1));
  EXPECT_FALSE(in.Has(2));
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

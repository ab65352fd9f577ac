#include "platform/taskscheduler/job_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/taskscheduler/job_file_testing.h"
#include "platform/taskscheduler/trigger_range.h"
#include "platform/testing/trigger_testing.h"

namespace {

using namespace test_triggers;

TEST(JobFileRoundTrip, KeepsEveryField) {
  const JobFile job = FullJob();
  const JobFile parsed = RoundTrip(job);
  EXPECT_EQ(job.product_version, parsed.product_version);
  EXPECT_EQ(job.file_version, parsed.file_version);
  EXPECT_EQ(0, std::memcmp(job.job_uuid, parsed.job_uuid, 16));
  EXPECT_EQ(job.error_retry_count, parsed.error_retry_count);
  EXPECT_EQ(job.error_retry_interval, parsed.error_retry_interval);
  EXPECT_EQ(job.idle_deadline, parsed.idle_deadline);
  EXPECT_EQ(job.idle_wait, parsed.idle_wait);
  EXPECT_EQ(job.priority, parsed.priority);
  EXPECT_EQ(job.maximum_run_time, parsed.maximum_run_time);
  EXPECT_EQ(job.exit_code, parsed.exit_code);
  EXPECT_EQ(job.status, parsed.status);
  EXPECT_EQ(job.flags, parsed.flags);
  EXPECT_EQ(0, std::memcmp(&job.run_date, &parsed.run_date, sizeof(SYSTEMTIME)));
  EXPECT_EQ(job.running_instance_count, parsed.running_instance_count);
  EXPECT_EQ(job.application_name, parsed.application_name);
  EXPECT_EQ(job.parameters, parsed.parameters);
  EXPECT_EQ(job.working_directory, parsed.working_directory);
  EXPECT_EQ(job.author, parsed.author);
  EXPECT_EQ(job.comment, parsed.comment);
  EXPECT_EQ(job.user_data, parsed.user_data);
  EXPECT_EQ(job.reserved_data, parsed.reserved_data);
  EXPECT_EQ(job.account_name, parsed.account_name);
  ASSERT_EQ(job.triggers.size(), parsed.triggers.size());
  for (size_t i = 0; i < job.triggers.size(); ++i)
    ExpectSameTrigger(job.triggers[i], parsed.triggers[i]);
}

// Reads the bytes at the places the format documents, independently of the
// reader, for a job with one of each kind of field.
TEST(JobFileLayout, PutsEveryFieldAtItsDocumentedPlace) {
  JobFile job = FullJob();
  job.application_name = L"a\U0001F600";
  job.parameters = L"";
  job.working_directory = L"w";
  job.author = L"";
  job.comment = L"";
  job.account_name = L"me";
  job.user_data.clear();
  job.reserved_data = {1, 2, 3, 4, 5, 6, 7, 8};
  job.triggers = {MonthlyDateTrigger()};
  const std::vector<uint8_t> b = SerializeJobFile(job);
  ASSERT_EQ(164u, b.size());

  // Fixed-length section.
  EXPECT_EQ(0x0600, WordAt(b, 0));
  EXPECT_EQ(2, WordAt(b, 2));
  EXPECT_EQ(0xA0, b[4]);
  EXPECT_EQ(0xAF, b[19]);
  EXPECT_EQ(70, WordAt(b, 20));   // where the application name's count is
  EXPECT_EQ(114, WordAt(b, 22));  // where the trigger count is
  EXPECT_EQ(3, WordAt(b, 24));
  EXPECT_EQ(4, WordAt(b, 26));
  EXPECT_EQ(5, WordAt(b, 28));
  EXPECT_EQ(6, WordAt(b, 30));
  EXPECT_EQ(0x100u, DwordAt(b, 32));
  EXPECT_EQ(0xEF, b[36]);  // little-endian, low byte first
  EXPECT_EQ(0xDEADBEEFu, DwordAt(b, 36));
  EXPECT_EQ(0x80070002u, DwordAt(b, 40));
  EXPECT_EQ(0x00041300u, DwordAt(b, 44));
  EXPECT_EQ(0x21810203u, DwordAt(b, 48));
  EXPECT_EQ(2025, WordAt(b, 52));
  EXPECT_EQ(8, WordAt(b, 66));

  // Variable-length section.
  EXPECT_EQ(9, WordAt(b, 68));
  EXPECT_EQ(4, WordAt(b, 70));  // 'a', a surrogate pair and the terminator
  EXPECT_EQ(L'a', WordAt(b, 72));
  EXPECT_EQ(0xD83D, WordAt(b, 74));
  EXPECT_EQ(0xDE00, WordAt(b, 76));
  EXPECT_EQ(0, WordAt(b, 78));
  EXPECT_EQ(0, WordAt(b, 80));  // empty parameters: absent, no terminator
  EXPECT_EQ(2, WordAt(b, 82));
  EXPECT_EQ(L'w', WordAt(b, 84));
  EXPECT_EQ(0, WordAt(b, 86));
  EXPECT_EQ(0, WordAt(b, 88));   // author
  EXPECT_EQ(0, WordAt(b, 90));   // comment
  EXPECT_EQ(10, WordAt(b, 92));  // user data: tag, count, "me"
  EXPECT_EQ(std::string("JWAC"), std::string(b.begin() + 94, b.begin() + 98));
  EXPECT_EQ(2, WordAt(b, 98));
  EXPECT_EQ(L'm', WordAt(b, 100));
  EXPECT_EQ(L'e', WordAt(b, 102));
  EXPECT_EQ(8, WordAt(b, 104));
  EXPECT_EQ(1, b[106]);
  EXPECT_EQ(8, b[113]);

  // Triggers.
  EXPECT_EQ(1, WordAt(b, 114));
  const size_t t = 116;
  EXPECT_EQ(48, WordAt(b, t));
  EXPECT_EQ(2026, WordAt(b, t + 4));
  EXPECT_EQ(12, WordAt(b, t + 6));
  EXPECT_EQ(7, WordAt(b, t + 8));
  EXPECT_EQ(10, WordAt(b, t + 16));
  EXPECT_EQ(21, WordAt(b, t + 18));
  EXPECT_EQ(3u, DwordAt(b, t + 32));
  EXPECT_EQ(0x8000FFFFu, DwordAt(b, t + 36));
  EXPECT_EQ(0x0FFF, WordAt(b, t + 40));
  EXPECT_EQ(0, WordAt(b, t + 42));
}

TEST(JobFileLayout, RefusesWhatDoesNotFitTheSixteenBitFields) {
  // Empty strings, account block and TASKRESERVED1 put the trigger count at
  // 100 + 2 * (units of the application name).
  JobFile job;
  job.application_name = std::wstring(32717, L'x');
  EXPECT_EQ(65534, WordAt(SerializeJobFile(job), 22));
  EXPECT_EQ(job.application_name, RoundTrip(job).application_name);
  job.application_name += L'x';
  EXPECT_TRUE(SerializeJobFile(job).empty());

  JobFile long_text;
  long_text.comment = std::wstring(70000, L'c');
  EXPECT_TRUE(SerializeJobFile(long_text).empty());

  JobFile big_data;
  big_data.reserved_data.resize(65536);
  EXPECT_TRUE(SerializeJobFile(big_data).empty());

  JobFile many_triggers;
  many_triggers.triggers.resize(65536, HourlyTestTrigger());
  EXPECT_TRUE(SerializeJobFile(many_triggers).empty());
}

// A file as Windows lays it out: empty texts as a lone terminator, no
// account block, and a job signature after the triggers.
TEST(JobFileParse, ReadsFilesFromOtherWriters) {
  RawFile f;
  f.Word(0x0501);
  f.Word(1);
  f.Zeros(16);
  f.Word(70);
  f.Word(0);  // trigger offset, set below
  f.Zeros(8);
  f.Dword(0x20);
  f.Dword(259200000);
  f.Dword(0);
  f.Dword(0x00041303);
  f.Dword(0);
  f.Zeros(16);
  f.Word(0);  // running instances
  f.Word(3);  // "ab"
  f.Word(L'a');
  f.Word(L'b');
  f.Word(0);
  for (int i = 0; i < 4; ++i) {
    f.Word(1);  // empty text with its terminator only
    f.Word(0);
  }
  f.Word(2);  // user data of someone else's
  f.Word(0xBEEF);
  f.Word(8);  // TASKRESERVED1
  f.Dword(0);
  f.Dword(0x10);
  f.SetWord(22, static_cast<WORD>(f.bytes.size()));
  f.Word(1);
  const size_t trigger = f.bytes.size();
  f.Zeros(48);
  f.SetWord(trigger, 48);
  f.SetWord(trigger + 4, 2024);
  f.SetWord(trigger + 32, TASK_TIME_TRIGGER_DAILY);
  f.SetWord(trigger + 36, 2);
  f.Word(1);  // signature header and a few bytes of it
  f.Word(1);
  f.Zeros(5);

  JobFile job;
  ASSERT_TRUE(ParseJobFile(f.bytes.data(), f.bytes.size(), &job));
  EXPECT_EQ(L"ab", job.application_name);
  EXPECT_EQ(L"", job.parameters);
  EXPECT_EQ(L"", job.comment);
  EXPECT_EQ((std::vector<BYTE>{0xEF, 0xBE}), job.user_data);
  EXPECT_EQ(L"", job.account_name);
  EXPECT_EQ(8u, job.reserved_data.size());
  ASSERT_EQ(1u, job.triggers.size());
  EXPECT_EQ(2024, job.triggers[0].wBeginYear);
  EXPECT_EQ(TASK_TIME_TRIGGER_DAILY, job.triggers[0].TriggerType);
  EXPECT_EQ(2, job.triggers[0].Type.Daily.DaysInterval);
}

// Files from other writers hold values we have no use for; they stay as
// they are and written again unchanged.
TEST(JobFileParse, KeepsUnknownTaskFlagsAndReservedTriggerFields) {
  JobFile source;
  source.flags = 0x20800000;
  TASK_TRIGGER trigger = HourlyTestTrigger();
  trigger.Reserved1 = 0xFFFF;
  trigger.Reserved2 = 0x8001;
  trigger.wRandomMinutesInterval = 7;
  source.triggers = {trigger};
  const JobFile parsed = RoundTrip(source);
  EXPECT_EQ(0x20800000u, parsed.flags);
  ASSERT_EQ(1u, parsed.triggers.size());
  ExpectSameTrigger(trigger, parsed.triggers[0]);
  EXPECT_EQ(SerializeJobFile(source), SerializeJobFile(parsed));
}

TEST(JobFileParse, RefusesEveryTruncation) {
  const std::vector<uint8_t> bytes = SerializeJobFile(FullJob());
  for (size_t size = 0; size < bytes.size(); ++size) {
    // A copy of exactly `size` bytes, so that the sanitizers see any read
    // past the end.
    const std::vector<uint8_t> prefix(bytes.begin(), bytes.begin() + static_cast<long>(size));
    EXPECT_FALSE(Parses(prefix)) << "size " << size;
  }
  EXPECT_TRUE(Parses(bytes));
  JobFile job;
  EXPECT_FALSE(ParseJobFile(nullptr, 0, &job));
}

TEST(JobFileParse, RefusesCountsAndOffsetsThatDisagreeWithTheData) {
  JobFile source;
  source.application_name = L"app";
  source.triggers = {HourlyTestTrigger()};
  const std::vector<uint8_t> good = SerializeJobFile(source);
  const size_t trigger_count_at = WordAt(good, 22);
  struct Corruption {
    const char* what;
    size_t at;
    WORD value;
  };
  const Corruption corruptions[] = {
      {"application name offset", 20, 72},
      {"trigger offset", 22, static_cast<WORD>(trigger_count_at + 2)},
      {"trigger offset past the end", 22, 0xFFFF},
      {"application name count past the end", 70, 0xFFFF},
      {"application name count two too long", 70, 6},
      {"trigger count past the end", trigger_count_at, 2},
      {"huge trigger count", trigger_count_at, 0xFFFF},
  };
  for (const Corruption& corruption : corruptions) {
    RawFile f{good};
    f.SetWord(corruption.at, corruption.value);
    EXPECT_FALSE(Parses(f.bytes)) << corruption.what;
  }

  // A user data size that swallows the rest of the file.
  RawFile swallowed{good};
  swallowed.SetWord(trigger_count_at - 2 - 6 - 2, 0xFFF0);
  EXPECT_FALSE(Parses(swallowed.bytes));
}

// Whatever a single damaged byte does, the reader stays inside the buffer
// (the sanitizer builds check that) and what it accepts can be written again.
TEST(JobFileParse, SurvivesEverySingleByteCorruption) {
  const std::vector<uint8_t> good = SerializeJobFile(FullJob());
  for (size_t at = 0; at < good.size(); ++at) {
    for (uint8_t value : {uint8_t{0x00}, uint8_t{0x01}, uint8_t{0x7F}, uint8_t{0xFF}}) {
      std::vector<uint8_t> bytes = good;
      bytes[at] = value;
      JobFile job;
      if (ParseJobFile(bytes.data(), bytes.size(), &job)) {
        const std::vector<uint8_t> again = SerializeJobFile(job);
        EXPECT_TRUE(Parses(again)) << "byte " << at << " = " << int{value};
      }
    }
  }
}

TEST(JobFileParse, LeavesTheJobAloneOnFailure) {
  std::vector<uint8_t> bytes = SerializeJobFile(FullJob());
  bytes.resize(bytes.size() - 1);
  JobFile job;
  job.comment = L"untouched";
  EXPECT_FALSE(ParseJobFile(bytes.data(), bytes.size(), &job));
  EXPECT_EQ(L"untouched", job.comment);
}

TEST(JobFileRoundTrip, DefaultsAreThoseOfATaskThatNeverRan) {
  const std::vector<uint8_t> bytes = SerializeJobFile(JobFile());
  EXPECT_EQ(0x0501, WordAt(bytes, 0));
  EXPECT_EQ(1, WordAt(bytes, 2));
  EXPECT_EQ(60, WordAt(bytes, 28));
  EXPECT_EQ(10, WordAt(bytes, 30));
  EXPECT_EQ(0x20u, DwordAt(bytes, 32));
  EXPECT_EQ(259200000u, DwordAt(bytes, 36));
  EXPECT_EQ(0x00041303u, DwordAt(bytes, 44));
}

// What every file from Windows 2000, XP and 2003 holds, read at its
// documented place.
TEST(JobFileLayout, WritesTheApplicationNameFlagAndTaskReserved1AsWindowsDoes) {
  JobFile job;
  job.application_name = L"app";
  std::vector<uint8_t> b = SerializeJobFile(job);
  EXPECT_EQ(0x01000000u, DwordAt(b, 48));
  const size_t reserved_at = WordAt(b, 22) - 2 - 8;
  EXPECT_EQ(8, WordAt(b, reserved_at));
  EXPECT_EQ(0u, DwordAt(b, reserved_at + 2));  // start error
  EXPECT_EQ(0u, DwordAt(b, reserved_at + 6));  // task flags
  EXPECT_EQ(8u, RoundTrip(job).reserved_data.size());

  // The bit follows the name: set without one, it is not written.
  job.application_name.clear();
  job.flags = 0x01000004;
  b = SerializeJobFile(job);
  EXPECT_EQ(0x4u, DwordAt(b, 48));
}

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

TEST(JobFileRoundTrip, KeepsAnyNumberOfTriggers) {
  JobFile job;
  EXPECT_TRUE(RoundTrip(job).triggers.empty());

  for (int i = 0; i < 300; ++i) {
    TASK_TRIGGER trigger = i % 2 ? WeeklyTrigger() : MonthlyDateTrigger();
    trigger.wStartMinute = static_cast<WORD>(i % 60);
    job.triggers.push_back(trigger);
  }
  const JobFile parsed = RoundTrip(job);
  ASSERT_EQ(job.triggers.size(), parsed.triggers.size());
  for (size_t i = 0; i < job.triggers.size(); ++i)
    ExpectSameTrigger(job.triggers[i], parsed.triggers[i]);
}

TEST(JobFileRoundTrip, KeepsTriggerTypesItDoesNotKnow) {
  JobFile job;
  job.triggers = {HourlyTestTrigger()};
  SetTriggerTypeCode(9, &job.triggers[0]);
  const JobFile parsed = RoundTrip(job);
  ASSERT_EQ(1u, parsed.triggers.size());
  EXPECT_EQ(9u, TriggerTypeCode(parsed.triggers[0]));
  EXPECT_EQ(1, parsed.triggers[0].Type.Daily.DaysInterval);
}

TEST(JobFileLayout, PutsTheTypeFieldsOfEachTriggerKindInPlace) {
  JobFile job;
  job.triggers = {HourlyTestTrigger(), WeeklyTrigger(), MonthlyDowTrigger()};
  const std::vector<uint8_t> b = SerializeJobFile(job);
  const size_t first = WordAt(b, 22) + 2;
  EXPECT_EQ(1, WordAt(b, first + 36));  // daily: days interval
  EXPECT_EQ(60u, DwordAt(b, first + 24));
  EXPECT_EQ(1440u, DwordAt(b, first + 20));
  const size_t weekly = first + 48;
  EXPECT_EQ(3, WordAt(b, weekly + 36));
  EXPECT_EQ(0x7F, WordAt(b, weekly + 38));
  const size_t dow = weekly + 48;
  EXPECT_EQ(4u, DwordAt(b, dow + 32));
  EXPECT_EQ(5, WordAt(b, dow + 36));
  EXPECT_EQ(0x41, WordAt(b, dow + 38));
  EXPECT_EQ(0x801, WordAt(b, dow + 40));
  EXPECT_EQ(0x5678, WordAt(b, dow + 44));
  EXPECT_EQ(0x9ABC, WordAt(b, dow + 46));
  EXPECT_EQ(dow + 48, b.size());
}

// The format tells readers to ignore the size a trigger gives itself; the
// record is 48 bytes whatever it says, and what follows it still reads.
TEST(JobFileParse, IgnoresTheSizeATriggerGivesItself) {
  JobFile source;
  source.triggers = {HourlyTestTrigger(), WeeklyTrigger()};
  const std::vector<uint8_t> good = SerializeJobFile(source);
  const size_t first = WordAt(good, 22) + 2;
  for (WORD size : {WORD{0}, WORD{0x28}, WORD{47}, WORD{96}, WORD{0xFFFF}}) {
    RawFile f{good};
    f.SetWord(first, size);
    f.SetWord(first + 48, size);
    JobFile job;
    ASSERT_TRUE(ParseJobFile(f.bytes.data(), f.bytes.size(), &job)) << size;
    ASSERT_EQ(2u, job.triggers.size());
    ExpectSameTrigger(source.triggers[0], job.triggers[0]);
    ExpectSameTrigger(source.triggers[1], job.triggers[1]);
  }
}

TEST(JobFileRoundTrip, KeepsUserDataApartFromTheAccount) {
  JobFile job;
  job.user_data = {'J', 'W', 'A', 'C', 0, 0};  // looks like our own tag
  EXPECT_EQ(job.user_data, RoundTrip(job).user_data);
  EXPECT_EQ(L"", RoundTrip(job).account_name);

  job.account_name = L"DOMAIN\\user";
  job.user_data = {0xFF, 0x00, 0x7F};
  const JobFile parsed = RoundTrip(job);
  EXPECT_EQ(job.user_data, parsed.user_data);
  EXPECT_EQ(job.account_name, parsed.account_name);
}

TEST(JobFileParse, TreatsAMalformedAccountBlockAsUserData) {
  JobFile job;
  job.user_data = {'x', 'y', 'z', 'w', 'v', 'u', 't'};
  RawFile f{SerializeJobFile(job)};
  // User data: tag, count, then the 7 bytes; then TASKRESERVED1.
  const size_t count_at = WordAt(f.bytes, 22) - 8 - 2 - 7 - 2;
  ASSERT_EQ(0, WordAt(f.bytes, count_at));
  f.SetWord(count_at, 255);  // more units than there are bytes
  JobFile parsed;
  ASSERT_TRUE(ParseJobFile(f.bytes.data(), f.bytes.size(), &parsed));
  EXPECT_EQ(L"", parsed.account_name);
  EXPECT_EQ(13u, parsed.user_data.size());
  EXPECT_EQ('J', parsed.user_data[0]);
  EXPECT_EQ('t', parsed.user_data[12]);
}

}  // namespace

#include "service/run_note.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>

#include "platform/posix/descriptor-posix.h"
#include "platform/testing/temporary_folder_testing.h"

namespace {

// A note survives its file, whatever it held before, and tells only of its
// own run; a file that holds no note (an old lock file, garbage) has none.
TEST(RunNoteTest, IsReadBackAsWrittenAndTellsOnlyOfItsRun) {
  TemporaryFolder folder;
  const Descriptor file(
      open((folder.path() + "/lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
  RunNote note;
  EXPECT_FALSE(ReadRunNote(file.get(), &note)) << "an empty file";
  ASSERT_EQ(write(file.get(), std::string(300, 'x').data(), 300), 300);
  EXPECT_FALSE(ReadRunNote(file.get(), &note)) << "garbage";

  JobFile before, started;
  started.job_uuid[0] = 0xAB;
  started.job_uuid[15] = 0x01;
  before.run_date = {2026, 12, 1, 7, 10, 21, 0, 0};
  before.exit_code = 0x8007042B;
  before.status = 0x00041300;
  before.running_instance_count = 0;
  started.run_date = {2026, 12, 1, 8, 10, 21, 7, 250};
  RunNote written = StartingNote(before, started);
  written.state = RunNote::State::kEnded;
  written.exit_code = 143;
  ASSERT_TRUE(WriteRunNote(file.get(), written));
  ASSERT_TRUE(ReadRunNote(file.get(), &note));
  EXPECT_EQ(std::memcmp(&note, &written, sizeof(note)), 0);
  EXPECT_TRUE(TellsOf(note, started));
  EXPECT_FALSE(TellsOf(note, before)) << "another run";
  started.job_uuid[15] = 0x02;
  EXPECT_FALSE(TellsOf(note, started)) << "another task";

  PutBackRecord(note, &started);
  EXPECT_EQ(std::memcmp(&started.run_date, &before.run_date, sizeof(SYSTEMTIME)), 0);
  EXPECT_EQ(started.exit_code, before.exit_code);
  EXPECT_EQ(started.status, before.status);
  EXPECT_EQ(lseek(file.get(), 0, SEEK_END), 300) << "written in place, never grown";
}

}  // namespace

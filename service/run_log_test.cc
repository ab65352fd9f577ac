#include "service/run_log.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/testing/temporary_folder_testing.h"
#include "service/run_events.h"
#include "service/service_doubles_testing.h"

namespace {

namespace fs = std::filesystem;

// 2026-12-07 10:21:00 UTC.
constexpr time_t kMinute = 1796638860;

class RunLogTest : public testing::Test {
 protected:
  std::string Read(const std::string& name) const {
    std::ifstream file(folder_.path() + "/" + name, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
  }
  static std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
      lines.push_back(line);
    return lines;
  }

  TemporaryFolder folder_;
  Descriptor state_{open(folder_.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
  std::string why_;
  service_test::TimeZoneForTest zone_{"UTC"};
};

TEST_F(RunLogTest, WritesOneTimedLinePerEventOwnerOnly) {
  RunLog log(state_.get());
  EXPECT_FALSE(fs::exists(folder_.path() + "/run.log"));  // nothing due, nothing written
  ASSERT_TRUE(log.Append(kMinute, DueEventText(2), &why_)) << why_;
  ASSERT_TRUE(log.Append(kMinute + 1, StillRunningEventText("a.job"), &why_)) << why_;
  ASSERT_TRUE(log.Append(kMinute + 1, "broken\nline\r", &why_)) << why_;
  ASSERT_TRUE(
      log.Append(kMinute + 1, StartedEventText("c:\\b.job", "/bin/\xc2\x9b\nx", "", 7), &why_))
      << why_;
  EXPECT_EQ(Read("run.log"),
            "2026-12-07 10:21:00 run-due: 2 tasks due\n"
            "2026-12-07 10:21:01 a.job\tnot started: still running\n"
            "2026-12-07 10:21:01 broken\\x0aline\\x0d\n"
            "2026-12-07 10:21:01 c:\\\\b.job\tstarted: /bin/\\xc2\\x9b\\x0ax as the service's "
            "account, process 7\n");
  EXPECT_EQ(log.Tail(5, "c:\\b.job").size(), 1u);
  EXPECT_EQ(fs::status(folder_.path() + "/run.log").permissions(),
            fs::perms::owner_read | fs::perms::owner_write);
}

// A text past the longest is cut before a whole character or escape.
TEST_F(RunLogTest, ALongTextIsCutWhole) {
  RunLog log(state_.get());
  for (const std::string& end : {std::string("\xc3\xa9"), std::string("\x1b")})
    ASSERT_TRUE(log.Append(kMinute, std::string(3999, 'a') + end, &why_)) << why_;
  EXPECT_EQ(Read("run.log"), "2026-12-07 10:21:00 " + std::string(3999, 'a') + "\n" +
                                 "2026-12-07 10:21:00 " + std::string(3999, 'a') + "\n");
}

TEST_F(RunLogTest, TailGivesTheNewestLinesOfATask) {
  RunLog log(state_.get());
  for (int i = 0; i < 5; ++i) {
    ASSERT_TRUE(log.Append(kMinute, FinishedEventText("a.job", i, ""), &why_));
    ASSERT_TRUE(log.Append(kMinute, FinishedEventText("a.job.old", i, ""), &why_));
  }
  EXPECT_EQ(log.Tail(2, "a.job"),
            (std::vector<std::string>{"2026-12-07 10:21:00 a.job\tfinished: exit code 3",
                                      "2026-12-07 10:21:00 a.job\tfinished: exit code 4"}));
  EXPECT_EQ(log.Tail(100).size(), 10u);
  EXPECT_TRUE(log.Tail(3, "b.job").empty());
}

// Past its limit the log becomes run.log.1 and a new one begins: the
// newest lines are kept, whole, and Tail reads across both.
TEST_F(RunLogTest, StaysBoundedKeepingTheNewestWholeLines) {
  constexpr off_t kLimit = 1000;
  RunLog log(state_.get(), kLimit);
  for (int i = 0; i < 200; ++i)
    ASSERT_TRUE(log.Append(kMinute, "line " + std::to_string(i), &why_)) << why_;
  const off_t kept = static_cast<off_t>(fs::file_size(folder_.path() + "/run.log") +
                                        fs::file_size(folder_.path() + "/run.log.1"));
  EXPECT_LE(kept, 2 * kLimit);
  EXPECT_GE(kept, kLimit);
  const std::vector<std::string> all = Lines(Read("run.log.1") + Read("run.log"));
  ASSERT_FALSE(all.empty());
  EXPECT_EQ(all.back(), "2026-12-07 10:21:00 line 199");
  const int first = std::stoi(all.front().substr(25));
  for (size_t i = 0; i < all.size(); ++i)
    EXPECT_EQ(all[i], "2026-12-07 10:21:00 line " + std::to_string(first + static_cast<int>(i)));
  EXPECT_EQ(log.Tail(all.size() + 5), all);
  EXPECT_EQ(log.Tail(1), std::vector<std::string>{all.back()});
}

// Writers in several processes, the log turning to run.log.1 under them
// once: every line arrives once, whole, in its writer's order.
TEST_F(RunLogTest, OverlappingWritersNeverMixOrLoseLines) {
  constexpr int kWriters = 4;
  constexpr int kLines = 300;
  constexpr off_t kLimit = 100 * 1024;
  const std::string padding(100, 'x');
  std::vector<pid_t> writers;
  for (int w = 0; w < kWriters; ++w) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      RunLog log(state_.get(), kLimit);
      std::string why;
      for (int i = 0; i < kLines; ++i) {
        if (!log.Append(kMinute, std::to_string(w) + " " + std::to_string(i) + " " + padding, &why))
          _exit(1);
      }
      _exit(0);
    }
    writers.push_back(pid);
  }
  for (pid_t pid : writers) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  // kWriters * kLines lines of about 130 bytes pass the limit once.
  ASSERT_TRUE(fs::exists(folder_.path() + "/run.log.1"));
  std::vector<int> next(kWriters, 0);
  for (const std::string& line : Lines(Read("run.log.1") + Read("run.log"))) {
    int w = -1, i = -1;
    char rest[128] = {};
    ASSERT_EQ(std::sscanf(line.c_str(), "2026-12-07 10:21:00 %d %d %127s", &w, &i, rest), 3)
        << line;
    ASSERT_TRUE(w >= 0 && w < kWriters) << line;
    EXPECT_EQ(rest, padding) << line;
    EXPECT_EQ(i, next[w]) << line;
    next[w] = i + 1;
  }
  for (int w = 0; w < kWriters; ++w)
    EXPECT_EQ(next[w], kLines);
}

TEST_F(RunLogTest, APlantedLinkIsNotFollowed) {
  const std::string target = folder_.path() + "/target";
  std::ofstream(target) << "keep\n";
  fs::create_symlink(target, folder_.path() + "/run.log");
  RunLog log(state_.get());
  EXPECT_FALSE(log.Append(kMinute, "x", &why_));
  EXPECT_EQ(why_, "run.log: is a symbolic link or not a plain file or folder");
  EXPECT_TRUE(log.Tail(5).empty());
  std::ifstream in(target);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text, "keep\n");
}

}  // namespace

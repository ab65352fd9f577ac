#include "jobwarden/cli/jobwarden_entry.h"

#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "jobwarden/cli/arguments_testing.h"
#include "jobwarden/cli/expected_help_testing.h"
#include "jobwarden/support/console_writer.h"
#include "platform/testing/com_recording_testing.h"
#include "platform/testing/task_folder_testing.h"

using test_hooks::Operation;

namespace {

const std::wstring kInvalid = L"\nInvalid syntax" + kExpectedHelp;

struct Outcome {
  std::wstring output;
  int status;
};

bool operator==(const Outcome& a, const Outcome& b) {
  return a.output == b.output && a.status == b.status;
}

std::ostream& operator<<(std::ostream& out, const Outcome& o) {
  std::string narrow;
  for (wchar_t c : o.output)
    narrow += c < 0x80 ? static_cast<char>(c) : '?';
  return out << "status " << o.status << " output \"" << narrow << "\"";
}

// Keeps the output as a capture does, and calls `before_each_write` before
// it takes each text: lets a test see what state the program was in when it
// printed, or make a write fail.
class ObservedCapture : public ConsoleCapture {
 public:
  explicit ObservedCapture(std::function<void()> before_each_write)
      : before_each_write_(std::move(before_each_write)) {}

  void Write(const std::wstring& text) override {
    before_each_write_();
    ConsoleCapture::Write(text);
  }

 private:
  std::function<void()> before_each_write_;
};

class JobwardenEntryTest : public testing::Test {
 protected:
  Outcome Run(std::initializer_list<std::wstring> arguments) {
    TestArguments args(arguments);
    ConsoleCapture capture;
    const int status = RunJobwarden(args.argc(), args.argv());
    return {capture.Text(), status};
  }

  static std::vector<std::string> ComCalls() {
    std::vector<std::string> calls;
    for (const std::string& call : test_hooks::CallLog()) {
      if (call == "CoInitialize" || call == "CoUninitialize")
        calls.push_back(call);
    }
    return calls;
  }

  TestTaskFolder folder_{TestTaskFolder::Com::kLeftAlone};
};

TEST_F(JobwardenEntryTest, SyntaxErrorsAndHelpNeverReachTheScheduler) {
  EXPECT_EQ(Run({}), (Outcome{kInvalid, 1}));
  EXPECT_EQ(Run({L"/?", L"/bogus"}), (Outcome{kExpectedHelp, 1}));
  EXPECT_EQ(Run({L"/create", L"/?"}), (Outcome{kInvalid, 1}));
  EXPECT_EQ(Run({L"/query", L"/ru", L"bob"}),
            (Outcome{L"\nPlease specify user account password", 1}));
  EXPECT_EQ(Run({L"/delete"}), (Outcome{kInvalid, 1}));
  EXPECT_TRUE(ComCalls().empty());
}

TEST_F(JobwardenEntryTest, NoCommandStillStartsAndStopsTheClientOnce) {
  EXPECT_EQ(Run({L"/tn", L"x"}), (Outcome{L"", 0}));
  EXPECT_EQ(ComCalls(), (std::vector<std::string>{"CoInitialize", "CoUninitialize"}));
}

TEST_F(JobwardenEntryTest, ErrorsArePrintedOnlyAfterTheClientHasGone) {
  const std::initializer_list<std::wstring> failing[] = {
      {L"/create", L"/tn", L"t"},                           // no keyword
      {L"/delete", L"/tn", L"missing"},                     // scheduler error
      {L"/create", L"/tn", L"bad:name", L"/sc", L"daily"},  // scheduler error
  };
  for (const auto& arguments : failing) {
    test_hooks::Reset();
    TestArguments args(arguments);
    std::vector<std::vector<std::string>> com_calls_at_each_write;
    ObservedCapture capture([&] { com_calls_at_each_write.push_back(ComCalls()); });
    EXPECT_EQ(RunJobwarden(args.argc(), args.argv()), 1);
    ASSERT_FALSE(com_calls_at_each_write.empty());
    for (const auto& calls : com_calls_at_each_write)
      EXPECT_EQ(calls, (std::vector<std::string>{"CoInitialize", "CoUninitialize"}));
  }
  EXPECT_TRUE(folder_.Files().empty());
}

TEST_F(JobwardenEntryTest, ComStartFailureWinsOverABadKeyword) {
  test_hooks::FailCall(Operation::CoInitialize, 1, E_FAIL);
  EXPECT_EQ(Run({L"/create", L"/sc", L"bogus"}), (Outcome{L"\nCouldn't initialize COM\t.", 1}));
  EXPECT_EQ(ComCalls(), std::vector<std::string>{"CoInitialize"});
}

TEST_F(JobwardenEntryTest, RunningOutOfMemoryEndsWithAMessageAndStatusOne) {
  TestArguments args({L"/tn", L"x", L"/delete"});
  bool thrown = false;
  // The first write fails as an allocation would; the report of it must
  // still get out.
  ObservedCapture capture([&] {
    if (!thrown) {
      thrown = true;
      throw std::bad_alloc();
    }
  });
  EXPECT_EQ(RunJobwarden(args.argc(), args.argv()), 1);
  EXPECT_EQ(capture.Text(), L"\nNot enough memory.");
  EXPECT_EQ(ComCalls(), (std::vector<std::string>{"CoInitialize", "CoUninitialize"}));
}

TEST_F(JobwardenEntryTest, SchedulerErrorsArePrintedWithALeadingLineBreak) {
  EXPECT_EQ(Run({L"/delete", L"/tn", L"missing"}),
            (Outcome{L"\nError deleting task, Please make sure the task name is valid.", 1}));
  EXPECT_EQ(ComCalls(), (std::vector<std::string>{"CoInitialize", "CoUninitialize"}));
}

// A named account the scheduler refuses: the one message, and every call up
// to the refusal followed by the releases in order (task, trigger,
// scheduler) and the end of COM.
TEST_F(JobwardenEntryTest, RefusedAccountIsReportedAfterEverythingIsReleased) {
  test_hooks::FailCall(Operation::SetAccountInformation, 1, E_ACCESSDENIED);
  EXPECT_EQ(Run({L"/create", L"/tn", L"Named", L"/sc", L"daily", L"/ru", L"Operator", L"/rp", L"pw",
                 L"/tr", L"backup"}),
            (Outcome{L"\nError setting account information.", 1}));
  EXPECT_EQ(
      test_hooks::CallLog(),
      (std::vector<std::string>{
          "CoInitialize", "CoCreateInstance", "ITaskScheduler::NewWorkItem",
          "ITask::QueryInterface", "IPersistFile::Save", "IPersistFile::Release",
          "ITask::CreateTrigger", "ITaskTrigger::SetTrigger", "ITask::SetAccountInformation",
          "ITask::Release", "ITaskTrigger::Release", "ITaskScheduler::Release", "CoUninitialize"}));
  EXPECT_EQ(test_hooks::OutstandingReferences(), 0);
}

TEST_F(JobwardenEntryTest, CreateHandsOverTheSplitRunValueAndTheAccountAsTyped) {
  EXPECT_EQ(Run({L"/create", L"/tn", L"Nightly", L"/sc", L"DAILY", L"/ru", L"SYSTEM", L"/tr",
                 L"\"C:\\Program Files\\b.exe\" -x  y"}),
            (Outcome{L"", 0}));
  JobFile job = folder_.StoredJob("Nightly.job");
  EXPECT_EQ(job.application_name, L"C:\\Program Files\\b.exe");
  EXPECT_EQ(job.parameters, L" -x  y");
  EXPECT_EQ(job.account_name, L"");

  EXPECT_EQ(Run({L"/create", L"/tn", L"Named", L"/sc", L"weekly", L"/ru", L"Operator", L"/rp",
                 L"pw", L"/tr", L"backup --all"}),
            (Outcome{L"", 0}));
  job = folder_.StoredJob("Named.job");
  EXPECT_EQ(job.application_name, L"backup");
  EXPECT_EQ(job.parameters, L" --all");
  EXPECT_EQ(job.account_name, L"Operator");

  // Nothing given for /tr: both parts empty.
  EXPECT_EQ(Run({L"/create", L"/tn", L"Bare", L"/sc", L"monthly"}), (Outcome{L"", 0}));
  job = folder_.StoredJob("Bare.job");
  EXPECT_EQ(job.application_name, L"");
  EXPECT_EQ(job.parameters, L"");
}

// The argument vector's copy of the password is zeroed as soon as the
// table holds its own, on every path out of the parse; nothing else in the
// vector is touched but the first character of each switch.
TEST_F(JobwardenEntryTest, ThePasswordArgumentIsZeroedOnceParsed) {
  const std::wstring zeros(9, L'\0');
  auto password_after_run = [](std::initializer_list<std::wstring> arguments, size_t index) {
    TestArguments args(arguments);
    ConsoleCapture capture;
    RunJobwarden(args.argc(), args.argv());
    return args.at(index);
  };
  EXPECT_EQ(zeros, password_after_run({L"/create", L"/tn", L"Kept", L"/sc", L"daily", L"/ru",
                                       L"alice", L"-RP", L"pass-word"},
                                      9));
  EXPECT_EQ(zeros, password_after_run({L"/create", L"/rp", L"pass-word", L"/bogus"}, 3));
  EXPECT_EQ(zeros, password_after_run({L"/?", L"/rp", L"pass-word"}, 3));

  TestArguments args(
      {L"/create", L"/tn", L"Other", L"/sc", L"daily", L"/ru", L"alice", L"/rp", L"pass-word"});
  ConsoleCapture capture;
  ASSERT_EQ(0, RunJobwarden(args.argc(), args.argv()));
  EXPECT_EQ(L"Other", args.at(3));
  EXPECT_EQ(L"alice", args.at(7));
  EXPECT_EQ(zeros, args.at(9));
}

TEST_F(JobwardenEntryTest, ANonAsciiNameRoundTripsThroughCreateQueryAndDelete) {
  const std::wstring name = L"Резервная копия 備份 \x1F600";
  EXPECT_EQ(Run({L"/create", L"/tn", name, L"/sc", L"hourly", L"/ru", L"system"}),
            (Outcome{L"", 0}));
  const Outcome listing = Run({L"/query"});
  EXPECT_EQ(listing.status, 0);
  EXPECT_EQ(listing.output.compare(0, name.size() + 6, L"\n" + name + L".job "), 0);
  EXPECT_EQ(Run({L"/delete", L"/tn", name}), (Outcome{L"", 0}));
  EXPECT_EQ(Run({L"/query"}), (Outcome{L"", 0}));
}

}  // namespace

namespace {

ValidationResult Validate(std::initializer_list<std::wstring> arguments) {
  CommandLineOptions options;
  AddJobwardenOptions(&options);
  TestArguments args(arguments);
  options.Parse(args.argc(), args.argv());
  return ValidateOptions(options);
}

}  // namespace

TEST(Validation, SystemAccountInAnyAsciiCaseNeedsNoPassword) {
  EXPECT_EQ(Validate({L"/query", L"/ru", L"system"}), ValidationResult::Accepted);
  EXPECT_EQ(Validate({L"/query", L"/ru", L"SyStEm"}), ValidationResult::Accepted);
  EXPECT_EQ(Validate({L"/create", L"/ru", L"SYSTEM"}), ValidationResult::Accepted);
}

TEST(Validation, EveryOtherAccountNeedsAPassword) {
  for (const wchar_t* account : {L"bob", L"system ", L" system", L"NT AUTHORITY\\SYSTEM", L"",
                                 L"syst\x212Bm", L"\x405ystem"}) {
    EXPECT_EQ(Validate({L"/query", L"/ru", account}), ValidationResult::PasswordMissing) << account;
  }
  EXPECT_EQ(Validate({L"/query", L"/ru", L"bob", L"/rp", L""}), ValidationResult::Accepted);
  EXPECT_EQ(Validate({L"/rp", L"secret"}), ValidationResult::Accepted);
}

TEST(Validation, PasswordRuleComesFirst) {
  EXPECT_EQ(Validate({L"/delete", L"/ru", L"bob"}), ValidationResult::PasswordMissing);
  EXPECT_EQ(Validate({L"/create", L"/query", L"/ru", L"bob"}), ValidationResult::PasswordMissing);
}

TEST(Validation, DeleteNeedsATaskNameAndCommandsDoNotCombine) {
  EXPECT_EQ(Validate({L"/delete"}), ValidationResult::InvalidSyntax);
  EXPECT_EQ(Validate({L"/delete", L"/tn", L""}), ValidationResult::Accepted);
  EXPECT_EQ(Validate({L"/create", L"/query"}), ValidationResult::InvalidSyntax);
  EXPECT_EQ(Validate({L"/create", L"/delete", L"/tn", L"x"}), ValidationResult::InvalidSyntax);
  EXPECT_EQ(Validate({L"/query", L"/delete", L"/tn", L"x"}), ValidationResult::InvalidSyntax);
}

TEST(Validation, NoCommandAndUnusedOptionsAreAccepted) {
  EXPECT_EQ(Validate({L"/tn", L"x"}), ValidationResult::Accepted);
  EXPECT_EQ(Validate({L"/query", L"/sc", L"bogus", L"/tn", L"x", L"/tr", L"y"}),
            ValidationResult::Accepted);
  EXPECT_EQ(Validate({L"/create"}), ValidationResult::Accepted);  // the keyword is checked later
}

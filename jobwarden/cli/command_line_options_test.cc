#include "jobwarden/cli/command_line_options.h"

#include <gtest/gtest.h>

#include "jobwarden/cli/arguments_testing.h"
#include "jobwarden/cli/expected_help_testing.h"
#include "jobwarden/support/console_writer.h"

namespace {

const OptionId kAllIds[] = {
    OptionId::Create,  OptionId::Query,    OptionId::Delete,      OptionId::ScheduleFrequency,
    OptionId::RunUser, OptionId::TaskName, OptionId::RunPassword, OptionId::TaskRun};

CommandLineOptions JobwardenTable() {
  CommandLineOptions options;
  AddJobwardenOptions(&options);
  return options;
}

// Parses with the fixed table; true when the arguments were accepted.
bool Accepts(CommandLineOptions* options, std::initializer_list<std::wstring> arguments) {
  TestArguments args(arguments);
  try {
    options->Parse(args.argc(), args.argv());
    return true;
  } catch (const CommandLineOptionsInvalidSyntax&) {
    return false;
  }
}

bool Accepts(std::initializer_list<std::wstring> arguments) {
  CommandLineOptions options = JobwardenTable();
  return Accepts(&options, arguments);
}

}  // namespace

TEST(OptionTable, FreshTableHasNothingPresent) {
  const CommandLineOptions options = JobwardenTable();
  for (OptionId id : kAllIds) {
    EXPECT_FALSE(options.IsPresent(id));
    EXPECT_EQ(options.GetValue(id), L"");
  }
}

TEST(OptionTable, HelpListingIsTheEightRowsInTableOrder) {
  const CommandLineOptions options = JobwardenTable();
  ConsoleCapture capture;
  options.PrintHelp();
  EXPECT_EQ(capture.Text(), kExpectedHelp);
}

TEST(OptionTable, HelpListingOfEmptyTableIsEmpty) {
  CommandLineOptions options;
  ConsoleCapture capture;
  options.PrintHelp();
  EXPECT_EQ(capture.Text(), L"");
}

TEST(OptionTable, LookupsAnswerFromTheFirstRowWithTheId) {
  CommandLineOptions options;
  options.AddOption(L"/first", OptionId::TaskName, true, L"first");
  options.AddOption(L"/second", OptionId::TaskName, true, L"second");
  ASSERT_TRUE(Accepts(&options, {L"/second", L"value"}));
  EXPECT_FALSE(options.IsPresent(OptionId::TaskName));
  EXPECT_EQ(options.GetValue(OptionId::TaskName), L"");
  EXPECT_FALSE(options.IsPresent(OptionId::Create));  // no row has it
}

TEST(OptionTable, WipeValueZeroesTheValueInPlace) {
  CommandLineOptions options = JobwardenTable();
  TestArguments args({L"/create", L"/rp", L"first secret", L"/rp", L"second", L"/tn", L"Task"});
  options.Parse(args.argc(), args.argv());
  EXPECT_EQ(options.GetValue(OptionId::RunPassword), L"second");
  options.WipeValue(OptionId::RunPassword);
  EXPECT_EQ(options.GetValue(OptionId::RunPassword), std::wstring(6, L'\0'));
  EXPECT_TRUE(options.IsPresent(OptionId::RunPassword));
  EXPECT_EQ(options.GetValue(OptionId::TaskName), L"Task");
}

TEST(OptionTable, GetValueHandsOutACopy) {
  CommandLineOptions options = JobwardenTable();
  ASSERT_TRUE(Accepts(&options, {L"/tn", L"Original"}));
  std::wstring copy = options.GetValue(OptionId::TaskName);
  copy[0] = L'X';
  EXPECT_EQ(options.GetValue(OptionId::TaskName), L"Original");
}

TEST(Parse, RefusesAnEmptyCommandLineEvenWhenCalledDirectly) { EXPECT_FALSE(Accepts({})); }

TEST(Parse, MatchesSwitchesWholeIgnoringAsciiCaseWithSlashOrDash) {
  CommandLineOptions options = JobwardenTable();
  ASSERT_TRUE(Accepts(&options, {L"-CREATE", L"/TN", L"MyTask", L"-Sc", L"Daily"}));
  EXPECT_TRUE(options.IsPresent(OptionId::Create));
  EXPECT_EQ(options.GetValue(OptionId::TaskName), L"MyTask");
  EXPECT_EQ(options.GetValue(OptionId::ScheduleFrequency), L"Daily");
  EXPECT_FALSE(options.IsPresent(OptionId::Query));
  EXPECT_FALSE(options.IsPresent(OptionId::RunUser));
  EXPECT_EQ(options.GetValue(OptionId::RunUser), L"");
}

TEST(Parse, RefusesEachKindOfSyntaxError) {
  const std::initializer_list<std::wstring> refused[] = {
      {L"/create", L"task1"},
      {L"/delete", L"extra"},
      {L"/create", L"/foo"},
      {L"/tn=x"},
      {L"/create", L"/"},
      {L"//create"},
      {L"/c"},
      {L"/tnx"},
      {L"/create2"},
      {L"/cr"},
      {L""},
      {L"/create", L"/tn"},
      {L"/tn", L"/create"},
      {L"/sc", L"-daily"},
      {L"/tn", L"-x"},
      {L"/tr", L"/bin"},
      // Only A to Z fold: a Kelvin sign or a dotted capital I never makes a switch.
      {L"/cre\x212A"
       L"ate"},
      {L"/\x130"
       L"uery"},
  };
  for (const auto& arguments : refused)
    EXPECT_FALSE(Accepts(arguments)) << *arguments.begin();
}

TEST(Parse, ValuesAreKeptVerbatimAndTheLastOneWins) {
  CommandLineOptions options = JobwardenTable();
  ASSERT_TRUE(Accepts(&options, {L"/tn", L"first", L"/tr", L"C:\\Program Files\\x.exe  -Q", L"/tn",
                                 L"Задача 備份", L"/create", L"/create", L"/ru", L""}));
  EXPECT_EQ(options.GetValue(OptionId::TaskName), L"Задача 備份");
  EXPECT_EQ(options.GetValue(OptionId::TaskRun), L"C:\\Program Files\\x.exe  -Q");
  EXPECT_TRUE(options.IsPresent(OptionId::Create));
  // Present with an empty value: presence and emptiness are separate facts.
  EXPECT_TRUE(options.IsPresent(OptionId::RunUser));
  EXPECT_EQ(options.GetValue(OptionId::RunUser), L"");
}

TEST(Parse, AnEmptyValueIsConsumedAndTheNextArgumentIsASwitch) {
  CommandLineOptions options = JobwardenTable();
  ASSERT_TRUE(Accepts(&options, {L"/tn", L"", L"/query"}));
  EXPECT_TRUE(options.IsPresent(OptionId::TaskName));
  EXPECT_TRUE(options.IsPresent(OptionId::Query));
}

TEST(Parse, RewritesTheDashOfSwitchesButNotValuesOrTheProgramName) {
  CommandLineOptions options = JobwardenTable();
  TestArguments args({L"-query", L"-tn", L"x-y"});
  args.argv()[0][0] = L'-';
  options.Parse(args.argc(), args.argv());
  EXPECT_EQ(std::wstring(args.argv()[0]), L"-obwarden");
  EXPECT_EQ(std::wstring(args.argv()[1]), L"/query");
  EXPECT_EQ(std::wstring(args.argv()[2]), L"/tn");
  EXPECT_EQ(std::wstring(args.argv()[3]), L"x-y");
}

TEST(Parse, CombinationsAreLeftToValidation) {
  CommandLineOptions options = JobwardenTable();
  ASSERT_TRUE(Accepts(&options, {L"/create", L"/query", L"/delete"}));
  EXPECT_TRUE(options.IsPresent(OptionId::Create));
  EXPECT_TRUE(options.IsPresent(OptionId::Query));
  EXPECT_TRUE(options.IsPresent(OptionId::Delete));
}

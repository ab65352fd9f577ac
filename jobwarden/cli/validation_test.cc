#include "jobwarden/cli/validation.h"

#include <gtest/gtest.h>

#include "jobwarden/cli/arguments_testing.h"
#include "jobwarden/cli/option_table.h"

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

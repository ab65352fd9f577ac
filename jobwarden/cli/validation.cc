#include "jobwarden/cli/validation.h"

#include "jobwarden/text/ascii_fold.h"

namespace {

// The system account needs no password; any other account does, whichever
// command it comes with.
bool NamedAccountLacksPassword(const CommandLineOptions& options) {
  if (!options.IsPresent(OptionId::RunUser) || options.IsPresent(OptionId::RunPassword))
    return false;
  std::wstring account = options.GetValue(OptionId::RunUser);
  FoldAsciiToLower(&account);
  return account != L"system";
}

bool BothPresent(const CommandLineOptions& options, OptionId first, OptionId second) {
  return options.IsPresent(first) && options.IsPresent(second);
}

}  // namespace

ValidationResult ValidateOptions(const CommandLineOptions& options) {
  if (NamedAccountLacksPassword(options))
    return ValidationResult::PasswordMissing;
  if (options.IsPresent(OptionId::Delete) && !options.IsPresent(OptionId::TaskName))
    return ValidationResult::InvalidSyntax;
  if (BothPresent(options, OptionId::Create, OptionId::Query) ||
      BothPresent(options, OptionId::Create, OptionId::Delete) ||
      BothPresent(options, OptionId::Query, OptionId::Delete))
    return ValidationResult::InvalidSyntax;
  return ValidationResult::Accepted;
}

#include "service/boot_note.h"

#include <cstdlib>
#include <fstream>
#include <optional>

#include "service/state_file.h"

BootNote::Claim BootNote::ClaimThisBoot(std::string* why) const {
  std::string boot_id;
  std::ifstream file(boot_id_path_);
  if (!std::getline(file, boot_id) || boot_id.empty()) {
    *why = "cannot read the boot id from " + boot_id_path_;
    return Claim::kUnknown;
  }
  const std::string noted = boot_id + "\n";
  Claim claim = Claim::kUnknown;
  const bool updated = UpdateStateNote(
      folder_, kFileName,
      [&](const std::string& text) -> std::optional<std::string> {
        claim = text == noted  ? Claim::kAlreadyNoted
                : text.empty() ? Claim::kFirst
                               : Claim::kClaimed;
        if (claim == Claim::kAlreadyNoted)
          return std::nullopt;
        return noted;
      },
      why);
  return updated ? claim : Claim::kUnknown;
}

std::string BootIdPathFromEnvironment() {
  const char* named = std::getenv("JOBWARDEN_BOOT_ID");
  return named && *named ? named : BootNote::kBootIdPath;
}

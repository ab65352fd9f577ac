// Which boot system-start last ran the at-system-start tasks for: the
// kernel's boot id (a new one each boot), noted in last-system-start of
// the state folder, so that they run once a boot whether cron's @reboot
// line or, on a cron without one, the boot's first run-due starts them.
#ifndef SERVICE_BOOT_NOTE_H_
#define SERVICE_BOOT_NOTE_H_

#include <string>
#include <utility>

class BootNote {
 public:
  static constexpr const char* kFileName = "last-system-start";
  static constexpr const char* kBootIdPath = "/proc/sys/kernel/random/boot_id";

  // `folder` is the state folder, open and checked, kept unowned;
  // `boot_id_path` the file that holds this boot's id.
  BootNote(int folder, std::string boot_id_path)
      : folder_(folder), boot_id_path_(std::move(boot_id_path)) {}

  enum class Claim {
    kClaimed,       // this boot is noted now; another boot was before
    kFirst,         // this boot is noted now; none was before
    kAlreadyNoted,  // this boot was noted before
    kUnknown,       // no boot id, or no note could be written (`why`)
  };

  // Notes this boot as the one system-start runs for, unless it is noted
  // already; one caller alone gets kClaimed or kFirst for a boot.
  Claim ClaimThisBoot(std::string* why) const;

 private:
  int folder_;
  std::string boot_id_path_;
};

// The boot id file in effect: JOBWARDEN_BOOT_ID (the tests' own) or the
// kernel's.
std::string BootIdPathFromEnvironment();

#endif  // SERVICE_BOOT_NOTE_H_

#include "service/run_due_stamp.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <cstring>

#include "platform/posix/descriptor-posix.h"
#include "service/run_record.h"
#include "service/state_file.h"

namespace {

// The seconds since 1970 in decimal, padded with blanks, and a newline.
constexpr size_t kStampSize = 24;

}  // namespace

// Written in place over the one before, of one size, so that noting
// never needs disk space.
bool RunDueStamp::Note(time_t when, std::string* why) const {
  std::string text = std::to_string(static_cast<long long>(when));
  text.resize(kStampSize - 1, ' ');
  text += '\n';
  return UpdateStateNote(
      folder_, kFileName, [&](const std::string&) { return std::optional<std::string>(text); },
      why);
}

std::optional<time_t> RunDueStamp::Last(std::string* why) const {
  why->clear();
  struct stat named = {};
  if (fstatat(folder_, kFileName, &named, AT_SYMLINK_NOFOLLOW) != 0 && errno == ENOENT)
    return std::nullopt;
  Descriptor file;
  if (!OpenStateFile(folder_, kFileName, O_RDONLY, geteuid(), &file, why))
    return std::nullopt;
  char text[kStampSize] = {};
  long long when = 0;
  const bool whole = pread(file.get(), text, kStampSize, 0) == static_cast<ssize_t>(kStampSize);
  const auto [end, error] = std::from_chars(text, text + kStampSize, when);
  if (!whole || error != std::errc() || when < 0 || text[kStampSize - 1] != '\n' ||
      std::strspn(end, " ") != static_cast<size_t>(text + kStampSize - 1 - end)) {
    *why = std::string(kFileName) + " holds no time";
    return std::nullopt;
  }
  return static_cast<time_t>(when);
}

std::string CronStartLine(const RunDueStamp& stamp, time_t now, bool installed) {
  std::string why;
  const std::optional<time_t> last = stamp.Last(&why);
  if (!why.empty())
    return "cannot tell when cron last started jobwarden-service: " + why + "\n";
  if (!last)
    return installed ? "cron has not started jobwarden-service yet\n" : "";
  const std::string time = TimeText(LocalSystemTime(*last));
  if (installed && now - *last > kCronStartLate)
    return "cron has not started jobwarden-service since " + time + ": is cron running?\n";
  return "cron last started jobwarden-service at " + time + "\n";
}

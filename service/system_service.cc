#include "service/system_service.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/posix/descriptor-posix.h"
#include "service/trust_rule.h"

namespace {

constexpr char kSystemCronFile[] = "/etc/cron.d/jobwarden";
// The program the line names.
constexpr char kSystemProgram[] = "/usr/bin/jobwarden-service";

}  // namespace

namespace {

bool HoldsLine(const std::string& text, const std::string& line) {
  for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos;
       start = end + 1) {
    if (text.compare(start, end + 1 - start, line + "\n") == 0)
      return true;
  }
  return false;
}

}  // namespace

bool HoldsSystemCronLine(const std::string& text) {
  return HoldsLine(text, kSystemCronLine) && HoldsLine(text, kSystemBootLine);
}

bool CronFileHoldsSystemLine(const std::string& path) {
  const Descriptor file(open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
  struct stat info = {};
  if (file.get() < 0 || fstat(file.get(), &info) != 0 ||
      TrustRefusal(path, info, EntryKind::kFile, 0))
    return false;
  std::string text;
  char buffer[4096];
  ssize_t got;
  while ((got = read(file.get(), buffer, sizeof(buffer))) > 0)
    text.append(buffer, static_cast<size_t>(got));
  return got == 0 && HoldsSystemCronLine(text);
}

SystemService SystemServiceFromEnvironment() {
  SystemService system;
  if (geteuid() != 0)
    return system;
  const char* named = std::getenv("JOBWARDEN_CRON_D");
  system.cron_file = named && *named ? named : kSystemCronFile;
  system.runs = CronFileHoldsSystemLine(system.cron_file) && access(kSystemProgram, X_OK) == 0;
  return system;
}

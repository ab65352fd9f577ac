#include "service/run_log.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "service/local_clock.h"
#include "service/run_events.h"
#include "service/service_messages.h"
#include "service/state_file.h"
#include "service/visible_text.h"

namespace {

constexpr size_t kStampLength = sizeof("YYYY-MM-DD HH:MM:SS ") - 1;
// Longer texts (a command line of many parameters) are cut.
constexpr size_t kLongestText = 4000;

// The event texts' fields are visible already; this is the last guard,
// for a text that holds something raw all the same.
std::string Line(time_t when, const std::string& text) {
  char stamp[32];
  const tm local = LocalParts(when);
  strftime(stamp, sizeof(stamp), "%Y-%m-%d %H:%M:%S ", &local);
  std::string visible = VisibleLogLine(text);
  visible.resize(VisibleCut(visible, kLongestText));
  return stamp + visible + '\n';
}

}  // namespace

bool RunLog::Open(std::string* why) {
  if (file_.get() >= 0)
    return true;
  return OpenStateFile(folder_, kFileName, O_WRONLY | O_APPEND | O_CREAT, geteuid(), &file_, why);
}

bool RunLog::Append(time_t when, const std::string& text, std::string* why) {
  if (!Open(why))
    return false;
  const std::string line = Line(when, text);
  ssize_t written;
  do {
    written = write(file_.get(), line.data(), line.size());
  } while (written < 0 && errno == EINTR);
  if (written != static_cast<ssize_t>(line.size())) {
    *why = std::string(kFileName) + ": " + (written < 0 ? std::strerror(errno) : "short write");
    return false;
  }
  RotateIfFull();
  return true;
}

void RunLog::RotateIfFull() {
  struct stat open_file = {};
  if (fstat(file_.get(), &open_file) != 0 || open_file.st_size < limit_)
    return;
  flock(file_.get(), LOCK_EX);
  struct stat named = {};
  if (fstatat(folder_, kFileName, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
      named.st_dev == open_file.st_dev && named.st_ino == open_file.st_ino)
    renameat(folder_, kFileName, folder_, kPreviousFileName);
  flock(file_.get(), LOCK_UN);
  file_.Reset(-1);
}

std::vector<std::string> RunLog::Tail(size_t count, const std::string& task) const {
  const std::string prefix = TaskEventPrefix(task);
  auto of_task = [&](std::string_view line) {
    return task.empty() || line.substr(std::min(kStampLength, line.size())).starts_with(prefix);
  };
  std::vector<std::string> lines;
  std::string why;
  for (const char* name : {kFileName, kPreviousFileName}) {
    Descriptor file;
    if (lines.size() >= count || !OpenStateFile(folder_, name, O_RDONLY, geteuid(), &file, &why))
      continue;
    std::vector<std::string> older =
        LastLines(file.get(), count - lines.size(), 2 * limit_, of_task);
    lines.insert(lines.begin(), older.begin(), older.end());
  }
  return lines;
}

void RunLogEvents::Add(const std::string& text) {
  std::string why;
  if (!log_.Append(Now(), text, &why))
    failures_ << kMessagePrefix << "cannot write the run log (" << why << "): " << text << "\n";
}

#include "service/logon_records.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utmp.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>

#include "platform/posix/descriptor-posix.h"
#include "service/state_file.h"

namespace {

// Where a look at wtmp ended.
struct Mark {
  long long offset = 0;
  long long seconds = 0;
  long long microseconds = 0;

  bool Is(const utmp& record) const {
    return record.ut_tv.tv_sec == seconds && record.ut_tv.tv_usec == microseconds;
  }
  bool Before(const utmp& record) const {
    return record.ut_tv.tv_sec > seconds ||
           (record.ut_tv.tv_sec == seconds && record.ut_tv.tv_usec > microseconds);
  }
};

// The whole records of `file` from the record at `first` on.
std::vector<utmp> RecordsFrom(int file, off_t size, long long first) {
  const long long count = size / static_cast<off_t>(sizeof(utmp)) - first;
  std::vector<utmp> records(count > 0 ? static_cast<size_t>(count) : 0);
  const size_t bytes = records.size() * sizeof(utmp);
  if (bytes > 0 && pread(file, records.data(), bytes, first * static_cast<off_t>(sizeof(utmp))) !=
                       static_cast<ssize_t>(bytes))
    records.clear();
  return records;
}

}  // namespace

bool LogonRecords::TakeNew(size_t* logins, std::string* why) const {
  *logins = 0;
  const Descriptor wtmp(open(wtmp_path_.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat info = {};
  if (wtmp.get() >= 0 && fstat(wtmp.get(), &info) != 0)
    info.st_size = 0;
  const long long whole = info.st_size / static_cast<off_t>(sizeof(utmp));
  return UpdateStateNote(
      folder_, kFileName,
      [&](const std::string& text) -> std::optional<std::string> {
        Mark mark;
        const bool first = sscanf(text.c_str(), "%lld %lld %lld", &mark.offset, &mark.seconds,
                                  &mark.microseconds) != 3;
        std::vector<utmp> records;
        if (!first) {
          // The record before the mark is still the one noted: wtmp only
          // grew since. Else all of it is looked at.
          const long long at = mark.offset / static_cast<long long>(sizeof(utmp));
          std::vector<utmp> last = at > 0 && at <= whole
                                       ? RecordsFrom(wtmp.get(), at * sizeof(utmp), at - 1)
                                       : std::vector<utmp>();
          const bool grew = at == 0 || (last.size() == 1 && mark.Is(last[0]));
          records = RecordsFrom(wtmp.get(), info.st_size, grew && at <= whole ? at : 0);
          for (const utmp& record : records) {
            if (record.ut_type == USER_PROCESS && (grew || mark.Before(record)))
              ++*logins;
          }
        }
        if (whole == 0)
          return "0 0 0\n";
        const std::vector<utmp> end = RecordsFrom(wtmp.get(), info.st_size, whole - 1);
        if (end.empty())
          return std::nullopt;
        char note[80];
        snprintf(note, sizeof(note), "%lld %lld %lld\n",
                 whole * static_cast<long long>(sizeof(utmp)),
                 static_cast<long long>(end[0].ut_tv.tv_sec),
                 static_cast<long long>(end[0].ut_tv.tv_usec));
        return std::string(note);
      },
      why);
}

std::string WtmpPathFromEnvironment() {
  const char* named = std::getenv("JOBWARDEN_WTMP");
  return named && *named ? named : LogonRecords::kWtmpPath;
}

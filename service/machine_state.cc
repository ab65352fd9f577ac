#include "service/machine_state.h"

#include <errno.h>
#include <sys/resource.h>

#include <fstream>

#include "service/power_supply.h"
#include "service/user_sessions.h"

namespace {

constexpr int kCapSysNice = 23;

// Whether the service's effective capabilities hold CAP_SYS_NICE.
bool HasCapSysNice() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("CapEff:", 0) != 0)
      continue;
    try {
      return (std::stoull(line.substr(7), nullptr, 16) >> kCapSysNice) & 1;
    } catch (const std::exception&) {
      return false;
    }
  }
  return false;
}

}  // namespace

bool SystemMachineState::OnBatteries() const { return ::OnBatteries(PowerSupplyFolder()); }

bool SystemMachineState::LoggedOn(const std::string& user) const {
  return !user.empty() && HasSession(LoginRecordsFile(), user);
}

bool SystemMachineState::MayUseNice(int nice) const {
  errno = 0;
  const int now = getpriority(PRIO_PROCESS, 0);
  if (errno == 0 && nice >= now)
    return true;
  rlimit limit = {};
  // RLIMIT_NICE's ceiling is 20 - nice.
  if (getrlimit(RLIMIT_NICE, &limit) == 0 &&
      (limit.rlim_cur == RLIM_INFINITY || static_cast<rlim_t>(20 - nice) <= limit.rlim_cur))
    return true;
  return HasCapSysNice();
}

std::string SystemMachineState::PowerSupplies() const { return PowerSupplyFolder(); }

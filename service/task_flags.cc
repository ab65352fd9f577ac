#include "service/task_flags.h"

#include <algorithm>

#include "service/due_rule.h"
#include "service/local_clock.h"
#include "service/status_codes.h"
#include "service/visible_text.h"

namespace {

// The flags without a Linux counterpart, with what each would have done.
constexpr struct {
  DWORD flag;
  const char* words;
} kNotHonoured[] = {
    {TASK_FLAG_START_ONLY_IF_IDLE, "start only if idle"},
    {TASK_FLAG_KILL_ON_IDLE_END, "end when idle ends"},
    {TASK_FLAG_RESTART_ON_IDLE_RESUME, "restart when idle resumes"},
    {TASK_FLAG_INTERACTIVE, "interactive"},
    {TASK_FLAG_HIDDEN, "hidden"},
    {TASK_FLAG_SYSTEM_REQUIRED, "keep the system awake"},
    {TASK_FLAG_RUN_IF_CONNECTED_TO_INTERNET, "only if connected to the internet"},
};

std::string Joined(const std::vector<std::string>& parts) {
  std::string text;
  for (const std::string& part : parts)
    text += (text.empty() ? "" : ", ") + part;
  return text;
}

}  // namespace

TaskPriority PriorityOf(const JobFile& job) {
  switch (job.priority) {
    case IDLE_PRIORITY_CLASS:
      return {19, true};
    case HIGH_PRIORITY_CLASS:
      return {-10, false};
    case REALTIME_PRIORITY_CLASS:
      return {-20, false};
    default:
      return {0, false};
  }
}

std::optional<HeldBack> HeldBackBy(const JobFile& job, const std::string& user,
                                   const MachineState& machine) {
  if ((job.flags & TASK_FLAG_DONT_START_IF_ON_BATTERIES) && machine.OnBatteries())
    return HeldBack{SCHED_E_TASK_ATTEMPTED, "the machine is on batteries"};
  if ((job.flags & TASK_FLAG_RUN_ONLY_IF_LOGGED_ON) && !machine.LoggedOn(user))
    return HeldBack{SCHED_E_USER_NOT_LOGGED_ON,
                    (user.empty() ? std::string("its account") : user) + " is not logged on"};
  return std::nullopt;
}

bool DeletedWhenDone(const JobFile& job, time_t started) {
  if (!(job.flags & TASK_FLAG_DELETE_WHEN_DONE))
    return false;
  const bool has_events = std::any_of(job.triggers.begin(), job.triggers.end(),
                                      [](const TASK_TRIGGER& t) { return !HasRunTimes(t); });
  return !has_events && !NextRunTime(job, StartOfMinute(started) + 60);
}

std::string FlagsInWords(const JobFile& job, const std::string& user) {
  std::vector<std::string> honoured;
  if (job.flags & TASK_FLAG_DELETE_WHEN_DONE)
    honoured.push_back("deleted after its last run");
  if (job.priority == IDLE_PRIORITY_CLASS)
    honoured.push_back("idle priority");
  else if (job.priority == HIGH_PRIORITY_CLASS)
    honoured.push_back("high priority");
  else if (job.priority == REALTIME_PRIORITY_CLASS)
    honoured.push_back("realtime priority");
  if (job.flags & TASK_FLAG_RUN_ONLY_IF_LOGGED_ON)
    honoured.push_back("only while " + (user.empty() ? "its account" : VisibleText(user)) +
                       " is logged on");
  if (job.flags & TASK_FLAG_DONT_START_IF_ON_BATTERIES)
    honoured.push_back("not on batteries");
  if (job.flags & TASK_FLAG_KILL_IF_GOING_ON_BATTERIES)
    honoured.push_back("ended on batteries");
  std::vector<std::string> ignored;
  for (const auto& flag : kNotHonoured) {
    if (job.flags & flag.flag)
      ignored.push_back(flag.words);
  }
  std::string text = Joined(honoured);
  if (!ignored.empty())
    text += (text.empty() ? "" : "; ") + std::string("not honoured on Linux: ") + Joined(ignored);
  return text;
}

#include "service/child_process.h"

#include <errno.h>
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/posix/descriptor-posix.h"

extern char** environ;

std::vector<std::string> SplitParameters(const std::string& parameters) {
  std::vector<std::string> arguments;
  std::string current;
  bool in_argument = false;
  bool quoted = false;
  for (char c : parameters) {
    if (c == '"') {
      quoted = !quoted;
      in_argument = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (in_argument)
        arguments.push_back(current);
      current.clear();
      in_argument = false;
    } else {
      current += c;
      in_argument = true;
    }
  }
  if (in_argument)
    arguments.push_back(current);
  return arguments;
}

namespace {

// In the child: tells the parent why the program could not start, and ends.
[[noreturn]] void FailStart(int report_fd, ChildStep step, int error) {
  const int failure[3] = {static_cast<int>(getpid()), step, error};
  ssize_t ignored = write(report_fd, failure, sizeof(failure));
  (void)ignored;
  _exit(127);
}

// In the child: every descriptor from 3 up is closed by the exec, whatever
// its number and whoever opened it (the service's caller included).
void CloseOthersOnExec() {
  if (close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) == 0)
    return;
  const long most = sysconf(_SC_OPEN_MAX);
  for (int fd = 3; fd < most; ++fd)
    fcntl(fd, F_SETFD, FD_CLOEXEC);
}

// In the child: nothing the service or its caller chose for signals lasts.
void DefaultSignals() {
  for (int signal_number = 1; signal_number < NSIG; ++signal_number) {
    if (signal_number != SIGKILL && signal_number != SIGSTOP)
      signal(signal_number, SIG_DFL);
  }
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
}

// In the child, between fork and exec: allocates nothing.
[[noreturn]] void SetUpAndExec(const ChildSetup& setup, char* const* argv, int report_fd) {
  if (setup.own_session)
    setsid();
  DefaultSignals();
  umask(022);
  report_fd = AboveStandardStreams(report_fd);

  int streams[3] = {setup.input, setup.output, setup.error_output};
  if (streams[0] < 0)
    streams[0] = open("/dev/null", O_RDONLY | O_CLOEXEC | O_NOCTTY);
  if (streams[0] < 0)
    FailStart(report_fd, kStandardStreams, errno);
  for (int& stream : streams)
    stream = AboveStandardStreams(stream);
  for (int i = 0; i < 3; ++i) {
    if (streams[i] >= 0 && dup2(streams[i], i) < 0)
      FailStart(report_fd, kStandardStreams, errno);
  }
  CloseOthersOnExec();

  if (const std::optional<TaskPriority>& priority = setup.program.priority) {
    (void)setpriority(PRIO_PROCESS, 0, priority->nice);
    if (priority->idle_class) {
      const sched_param none = {};
      (void)sched_setscheduler(0, SCHED_IDLE, &none);
    }
  }
  const Account& account = setup.program.account;
  if (account.switch_user) {
    if (initgroups(account.name.c_str(), account.gid) != 0 || setgid(account.gid) != 0 ||
        setuid(account.uid) != 0)
      FailStart(report_fd, kAccount, errno);
  }
  const std::string& folder = setup.program.working_directory;
  if (!folder.empty()) {
    if (chdir(folder.c_str()) != 0)
      FailStart(report_fd, kFolder, errno);
  } else if (setup.start_in_home && (account.home.empty() || chdir(account.home.c_str()) != 0)) {
    if (chdir("/") != 0)
      FailStart(report_fd, kFolder, errno);
    if (setup.environment)
      setup.environment->StartInRoot();
  }

  // execvp looks the program up in the PATH of `environ`: the program's.
  if (setup.environment)
    environ = setup.environment->variables();
  execvp(argv[0], argv);
  FailStart(report_fd, kProgram, errno);
}

}  // namespace

int AboveStandardStreams(int fd) { return fd < 0 || fd > 2 ? fd : fcntl(fd, F_DUPFD_CLOEXEC, 3); }

bool MakePipe(Descriptor* read_end, Descriptor* write_end) {
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0)
    return false;
  read_end->Reset(ends[0]);
  write_end->Reset(ends[1]);
  return true;
}

namespace {

// Writes `input` to `to` and reads `from_output` and `from_error` until all
// are done, whichever order the child takes them in.
void Exchange(Descriptor* to, const std::string& input, Descriptor* from_output,
              Descriptor* from_error, CommandResult* result) {
  size_t written = 0;
  if (input.empty())
    to->Reset(-1);
  char buffer[4096];
  while (to->get() >= 0 || from_output->get() >= 0 || from_error->get() >= 0) {
    pollfd watched[3] = {
        {to->get(), POLLOUT, 0}, {from_output->get(), POLLIN, 0}, {from_error->get(), POLLIN, 0}};
    if (poll(watched, 3, -1) < 0) {
      if (errno == EINTR)
        continue;
      return;
    }
    if (watched[0].revents) {
      const ssize_t n = write(to->get(), input.data() + written, input.size() - written);
      if (n > 0)
        written += static_cast<size_t>(n);
      if (n < 0 && errno != EINTR && errno != EAGAIN)
        to->Reset(-1);
      if (written == input.size())
        to->Reset(-1);
    }
    Descriptor* sources[2] = {from_output, from_error};
    std::string* sinks[2] = {&result->output, &result->error_output};
    for (int i = 0; i < 2; ++i) {
      if (!watched[i + 1].revents)
        continue;
      const ssize_t n = read(sources[i]->get(), buffer, sizeof(buffer));
      if (n > 0)
        sinks[i]->append(buffer, static_cast<size_t>(n));
      else if (n == 0 || errno != EINTR)
        sources[i]->Reset(-1);
    }
  }
}

}  // namespace

pid_t StartChild(const ChildSetup& setup, int report_fd) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(setup.program.path.c_str()));
  for (const std::string& argument : setup.program.arguments)
    argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  const pid_t child = fork();
  if (child == 0)
    SetUpAndExec(setup, argv.data(), report_fd);
  return child;
}

bool ReadChildFailure(int report_fd, ChildFailure* failure) {
  int report[3];
  for (;;) {
    const ssize_t got = read(report_fd, report, sizeof(report));
    if (got < 0 && errno == EINTR)
      continue;
    if (got != static_cast<ssize_t>(sizeof(report)))
      return false;
    *failure = ChildFailure{report[0], report[1], report[2]};
    return true;
  }
}

bool ReapChild(pid_t child, int* status, bool wait) {
  for (;;) {
    const pid_t done = waitpid(child, status, wait ? 0 : WNOHANG);
    if (done == child)
      return true;
    if (done < 0 && errno == EINTR)
      continue;
    return false;
  }
}

DWORD ExitCodeOf(int status) {
  if (WIFEXITED(status))
    return static_cast<DWORD>(WEXITSTATUS(status));
  if (WIFSIGNALED(status))
    return static_cast<DWORD>(128 + WTERMSIG(status));
  return 0;
}

CommandResult RunCommand(const std::vector<std::string>& arguments, const std::string& input) {
  CommandResult result;
  if (arguments.empty())
    return result;
  Descriptor input_read, input_write, output_read, output_write, error_read, error_write;
  Descriptor report_read, report_write;
  if (!MakePipe(&input_read, &input_write) || !MakePipe(&output_read, &output_write) ||
      !MakePipe(&error_read, &error_write) || !MakePipe(&report_read, &report_write))
    return result;
  ChildSetup setup;
  setup.program.path = arguments.front();
  setup.program.arguments.assign(arguments.begin() + 1, arguments.end());
  setup.input = input_read.get();
  setup.output = output_write.get();
  setup.error_output = error_write.get();
  const pid_t child = StartChild(setup, report_write.get());
  if (child < 0)
    return result;
  input_read.Reset(-1);
  // A write of more than the pipe holds must not wait for a child that
  // is itself waiting for us to read its output.
  fcntl(input_write.get(), F_SETFL, O_NONBLOCK);
  output_write.Reset(-1);
  error_write.Reset(-1);
  report_write.Reset(-1);

  // A child that stops reading must not end us with SIGPIPE.
  struct sigaction ignore = {}, previous = {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGPIPE, &ignore, &previous);
  Exchange(&input_write, input, &output_read, &error_read, &result);
  sigaction(SIGPIPE, &previous, nullptr);

  int status = 0;
  ReapChild(child, &status, true);
  ChildFailure failure;
  if (ReadChildFailure(report_read.get(), &failure))
    return CommandResult();
  result.started = true;
  result.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

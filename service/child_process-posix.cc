#include "service/child_process-posix.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/posix/descriptor-posix.h"

extern char** environ;

namespace {

bool MakePipe(Descriptor* read_end, Descriptor* write_end) {
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0)
    return false;
  read_end->Reset(ends[0]);
  write_end->Reset(ends[1]);
  return true;
}

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

CommandResult RunCommand(const std::vector<std::string>& arguments, const std::string& input) {
  CommandResult result;
  if (arguments.empty())
    return result;
  Descriptor input_read, input_write, output_read, output_write, error_read, error_write;
  if (!MakePipe(&input_read, &input_write) || !MakePipe(&output_read, &output_write) ||
      !MakePipe(&error_read, &error_write))
    return result;

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, input_read.get(), 0);
  posix_spawn_file_actions_adddup2(&actions, output_write.get(), 1);
  posix_spawn_file_actions_adddup2(&actions, error_write.get(), 2);
  std::vector<char*> argv;
  for (const std::string& argument : arguments)
    argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_t child = 0;
  const int spawned = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0)
    return result;
  result.started = true;
  input_read.Reset(-1);
  output_write.Reset(-1);
  error_write.Reset(-1);

  // A child that stops reading must not end us with SIGPIPE.
  struct sigaction ignore = {}, previous = {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGPIPE, &ignore, &previous);
  Exchange(&input_write, input, &output_read, &error_read, &result);
  sigaction(SIGPIPE, &previous, nullptr);

  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  result.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

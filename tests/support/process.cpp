#include "support/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace ortelan::testing {
namespace {

// Whether the process has a handler for SIGINT yet, from its SigCgt mask.
// Until it has, an interrupt would kill it outright: on a loaded machine a
// program may take seconds to get that far.
bool catchesInterrupts(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("SigCgt:", 0) != 0) continue;
    const unsigned long long mask = std::stoull(line.substr(7), nullptr, 16);
    return (mask >> (SIGINT - 1)) & 1U;
  }
  return false;
}

}  // namespace

ProcessResult runProcess(const std::string& program, const std::string& input, const std::string& workingDir,
                         int timeoutSeconds, const std::vector<std::string>& arguments,
                         const std::vector<std::string>& environment, int interruptAfterMs) {
  int in[2], out[2], err[2];
  if (pipe(in) != 0 || pipe(out) != 0 || pipe(err) != 0) throw std::runtime_error("pipe failed");
  const pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    dup2(in[0], 0);
    dup2(out[1], 1);
    dup2(err[1], 2);
    for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) close(fd);
    if (chdir(workingDir.c_str()) != 0) _exit(126);
    for (const std::string& setting : environment) putenv(const_cast<char*>(setting.c_str()));
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  close(err[1]);
  signal(SIGPIPE, SIG_IGN);
  fcntl(in[1], F_SETFL, O_NONBLOCK);
  ProcessResult result;
  std::size_t written = 0;
  bool inOpen = true, outOpen = true, errOpen = true;
  if (input.empty()) {
    close(in[1]);
    inOpen = false;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
  const auto interruptAt = std::chrono::steady_clock::now() + std::chrono::milliseconds(interruptAfterMs);
  bool interruptPending = interruptAfterMs > 0;
  while (outOpen || errOpen) {
    if (interruptPending && std::chrono::steady_clock::now() > interruptAt && catchesInterrupts(pid)) {
      kill(pid, SIGINT);
      interruptPending = false;
    }
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      break;
    }
    pollfd fds[3];
    int count = 0;
    if (outOpen) fds[count++] = {out[0], POLLIN, 0};
    if (errOpen) fds[count++] = {err[0], POLLIN, 0};
    if (inOpen) fds[count++] = {in[1], POLLOUT, 0};
    if (poll(fds, static_cast<nfds_t>(count), interruptPending ? 20 : 200) < 0 && errno != EINTR) break;
    for (int i = 0; i < count; ++i) {
      if (fds[i].revents == 0) continue;
      if (fds[i].fd == in[1]) {
        ssize_t n = write(in[1], input.data() + written, input.size() - written);
        if (n > 0) written += static_cast<std::size_t>(n);
        if (n < 0 && errno != EAGAIN) written = input.size();
        if (written == input.size()) {
          close(in[1]);
          inOpen = false;
        }
        continue;
      }
      char buffer[65536];
      ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n <= 0) {
        close(fds[i].fd);
        (fds[i].fd == out[0] ? outOpen : errOpen) = false;
      } else {
        (fds[i].fd == out[0] ? result.out : result.err).append(buffer, static_cast<std::size_t>(n));
      }
    }
  }
  if (inOpen) close(in[1]);
  if (outOpen) close(out[0]);
  if (errOpen) close(err[0]);
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  result.peakMemoryKb = usage.ru_maxrss;
  if (WIFEXITED(status)) result.status = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
  return result;
}

}  // namespace ortelan::testing

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "support/child_process.h"

extern char** environ;

namespace quorrin::test {
namespace {

// Reads `fd` until its end (or, for a terminal, until its last writer is
// gone) and closes it.
std::thread Drain(int fd, std::string& into) {
  return std::thread([fd, &into] {
    char buffer[4096];
    for (;;) {
      const ssize_t n = read(fd, buffer, sizeof buffer);
      if (n > 0) {
        into.append(buffer, static_cast<size_t>(n));
      } else if (n < 0 && errno == EINTR) {
        continue;
      } else {
        break;
      }
    }
    close(fd);
  });
}

}  // namespace

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args,
                           ChildOptions options) {
  int out[2], err[2] = {-1, -1};
  if (pipe2(out, O_CLOEXEC) != 0) return;
  std::string terminalName;
  if (options.errorOnTerminal) {
    err[0] = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (err[0] < 0 || grantpt(err[0]) != 0 || unlockpt(err[0]) != 0) return;
    terminalName = ptsname(err[0]);
    struct winsize size = {};
    size.ws_row = 24;
    size.ws_col = static_cast<unsigned short>(options.columns);
    ioctl(err[0], TIOCSWINSZ, &size);
    // Held open until the child has ended, so that the reader never finds the
    // terminal without a writer before the child has opened it. Raw, so the
    // bytes arrive as written.
    terminal_ = open(terminalName.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    struct termios mode;
    if (terminal_ < 0 || tcgetattr(terminal_, &mode) != 0) return;
    cfmakeraw(&mode);
    tcsetattr(terminal_, TCSANOW, &mode);
  } else if (pipe2(err, O_CLOEXEC) != 0) {
    return;
  }

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  if (options.errorOnTerminal) {
    posix_spawn_file_actions_addopen(&actions, 2, terminalName.c_str(), O_RDWR | O_NOCTTY, 0);
  } else {
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
  }
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) == 0) pid_ = pid;
  posix_spawn_file_actions_destroy(&actions);

  // Only the child keeps the write ends, so the readers see the end when it exits.
  close(out[1]);
  if (!options.errorOnTerminal) close(err[1]);
  outReader_ = Drain(out[0], out_);
  errReader_ = Drain(err[0], err_);
}

ChildProcess::~ChildProcess() {
  Wait(std::chrono::milliseconds(0));
}

void ChildProcess::Finish() {
  if (terminal_ >= 0) close(terminal_);
  terminal_ = -1;
  if (outReader_.joinable()) outReader_.join();
  if (errReader_.joinable()) errReader_.join();
}

void ChildProcess::Interrupt() {
  if (pid_ > 0) kill(pid_, SIGINT);
}

void ChildProcess::Terminate() {
  if (pid_ > 0) kill(pid_, SIGTERM);
}

int ChildProcess::Wait(std::chrono::milliseconds timeout) {
  if (pid_ <= 0 || status_ >= 0) {
    Finish();
    return status_;
  }
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  int raw = 0;
  pid_t done = 0;
  while ((done = waitpid(pid_, &raw, WNOHANG)) == 0 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  if (done == 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, &raw, 0);
    status_ = -1;
  } else {
    status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : kSignalled + WTERMSIG(raw);
  }
  pid_ = -1;  // reaped: the number may belong to another process from now on
  Finish();
  return status_;
}

}  // namespace quorrin::test

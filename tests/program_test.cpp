// The real program as a process: it starts offscreen with no network and no
// update server, and ends cleanly with status 0 when asked to.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <thread>

extern char** environ;

namespace {

using namespace std::chrono_literals;

// Waits for `pid` at most `limit`; the exit status, or -1 on time-out.
int WaitExit(pid_t pid, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < deadline) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
    std::this_thread::sleep_for(10ms);
  }
  return -1;
}

TEST(Program, StartsAndEndsCleanlyOnRequest) {
  for (int sig : {SIGTERM, SIGINT}) {
    pid_t pid = 0;
    char* argv[] = {const_cast<char*>(QUORRIN_PROGRAM), nullptr};
    ASSERT_EQ(posix_spawn(&pid, QUORRIN_PROGRAM, nullptr, nullptr, argv, environ), 0);
    // Still running after start-up: no update server stops it.
    ASSERT_EQ(WaitExit(pid, 1500ms), -1);
    kill(pid, sig);
    const int status = WaitExit(pid, 2s);
    if (status == -1) kill(pid, SIGKILL);
    EXPECT_EQ(status, 0) << "signal " << sig;
  }
}

}  // namespace

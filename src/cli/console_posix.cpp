#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>

#include "cli/console.h"

namespace quorrin::cli {
namespace {

// Lock-free, so the handler may set it.
std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

void OnInterrupt(int) {
  interrupted.store(true);
}

}  // namespace

std::vector<Utf8> CommandLineArguments(int argc, char** argv) {
  // Linux passes arguments as the bytes typed, UTF-8 in any current locale.
  std::vector<Utf8> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(std::string(argv[i]));
  return args;
}

void PrepareConsole() {}

bool StandardErrorIsTerminal() {
  return isatty(STDERR_FILENO) == 1;
}

int StandardErrorColumns() {
  struct winsize size = {};
  if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) != 0) return 0;
  return size.ws_col;
}

void CatchInterrupts() {
  struct sigaction action = {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  // The first signal asks for a clean stop; a second one kills as usual.
  action.sa_flags = SA_RESTART | SA_RESETHAND;
  for (int s : {SIGINT, SIGTERM}) sigaction(s, &action, nullptr);
}

bool Interrupted() {
  return interrupted.load();
}

}  // namespace quorrin::cli

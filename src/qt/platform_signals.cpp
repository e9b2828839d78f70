#include "qt/platform_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <QWidget>

namespace quorrin {
namespace {

// The write end of the pipe from the signal handler to the window thread; a
// handler can reach nothing else.
int signalWriteEnd = -1;

void OnSignal(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t n = write(signalWriteEnd, &byte, 1);
}

}  // namespace

void CloseOnTerminationSignals(QWidget* window) {
  int fds[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) return;
  fcntl(fds[1], F_SETFL, O_NONBLOCK);
  signalWriteEnd = fds[1];
  auto* notifier = new QSocketNotifier(fds[0], QSocketNotifier::Read, window);
  QObject::connect(notifier, &QSocketNotifier::activated, window, [window, fd = fds[0]] {
    char byte;
    [[maybe_unused]] const ssize_t n = read(fd, &byte, 1);
    window->close();
  });
  struct sigaction action = {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int s : {SIGTERM, SIGINT, SIGHUP}) sigaction(s, &action, nullptr);
}

}  // namespace quorrin

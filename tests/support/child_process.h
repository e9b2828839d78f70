// Runs a program of the build as a child process, for the tests of the
// terminal program: its standard output and error are captured, standard
// error optionally on a pseudo-terminal (POSIX only), and it can be sent the
// interrupt.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace quorrin::test {

struct ChildOptions {
  // Standard error is a terminal of `columns` columns instead of a pipe.
  // POSIX only: Windows has no pseudo-terminal to hand a child.
  bool errorOnTerminal = false;
  int columns = 80;
};

class ChildProcess {
 public:
  // Beyond every exit status, so that a program that exits with 130 and one
  // that SIGINT ended never look alike.
  static constexpr int kSignalled = 256;

  ChildProcess(const std::string& program, const std::vector<std::string>& args,
               ChildOptions options = {});
  // Kills the child when it still runs.
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // SIGINT, as Ctrl+C in a terminal sends it; SIGTERM. On Windows both are
  // Ctrl+Break to the child's own process group, the one console event that
  // can be sent to a single program. Nothing once waited for.
  void Interrupt();
  void Terminate();
  // The exit status; kSignalled + the signal's number when a signal ended
  // the child, or -1 when it was still running after `timeout` (it is killed
  // then).
  int Wait(std::chrono::milliseconds timeout = std::chrono::seconds(60));
  // All the child wrote; complete once Wait has returned.
  const std::string& Out() const { return out_; }
  const std::string& Err() const { return err_; }

 private:
  // Closes our hold on the terminal and waits for the readers.
  void Finish();

  int status_ = -1;
#ifdef _WIN32
  void* process_ = nullptr;  // the child's process handle
  unsigned long id_ = 0;     // its process ID, also its process group's
#else
  int pid_ = -1;
  int terminal_ = -1;  // our own hold on the child's terminal
#endif
  std::string out_, err_;
  std::thread outReader_, errReader_;
};

struct ChildResult {
  int status = -1;
  std::string out, err;
};

// Runs the program to its end.
inline ChildResult RunChild(const std::string& program, const std::vector<std::string>& args,
                            ChildOptions options = {}) {
  ChildProcess child(program, args, options);
  ChildResult result;
  result.status = child.Wait();
  result.out = child.Out();
  result.err = child.Err();
  return result;
}

}  // namespace quorrin::test

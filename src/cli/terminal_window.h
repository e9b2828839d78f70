// The window layer of the terminal program: the in-memory window, which holds
// every text and row, with what a user should see printed as it happens. A
// row is printed once it is complete, messages are printed and closed at once
// (a terminal has no box to click), a failure caption is printed as a
// message, and the status line shows a download's progress.
//
// Printing happens inside the job's gate, together with the change it shows:
// once a job has been ended, nothing more of it is printed.
#pragma once

#include "cli/terminal_output.h"
#include "jobs/memory_window.h"

namespace quorrin::cli {

class TerminalWindow : public MemoryWindow {
 public:
  explicit TerminalWindow(TerminalOutput& output)
      : MemoryWindow(/*autoClose=*/true, /*recordCalls=*/false), output_(output) {}

  void SetText(std::string_view control, const Text& text, JobToken* job) override;
  void SetCaption(std::string_view control, const Text& text, JobToken* job) override;
  void SetCell(int row, int column, const Text& text, JobToken* job) override;
  MessageId OpenMessage(const Text& text, const Text& title, std::function<void()> closed,
                        JobToken* job) override;

 private:
  TerminalOutput& output_;
};

}  // namespace quorrin::cli

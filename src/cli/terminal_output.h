// What the terminal shows: rows on standard output, messages and download
// progress on standard error. Safe to call from any thread.
#pragma once

#include <cstdio>
#include <mutex>
#include <optional>

#include "cli/progress.h"
#include "cli/row_format.h"

namespace quorrin::cli {

struct OutputSettings {
  bool json = false;
  bool progress = true;  // off with --quiet
  bool live = false;     // standard error is a terminal: one line, rewritten
  size_t columns = 80;   // of that terminal
};

class TerminalOutput {
 public:
  TerminalOutput(std::FILE* out, std::FILE* err, OutputSettings settings)
      : out_(out), err_(err), settings_(settings) {}

  void Row(const RowCells& cells);
  void Message(const Utf8& text);
  // A new text of the status line; only a download's progress is shown.
  void Status(const Utf8& statusLine, Clock::time_point now);
  // Clears the live line, so that whatever follows starts on a clean line.
  void EndProgress();

 private:
  void ClearLiveLine();
  void ShowLive(const Utf8& line);

  std::mutex mutex_;
  std::FILE* out_;
  std::FILE* err_;
  OutputSettings settings_;
  std::optional<DownloadStatus> row_;  // the row being downloaded
  SpeedMeter speed_;
  size_t liveWidth_ = 0;  // columns the live line takes now; 0: none shown
  Clock::time_point lastPlain_;
};

}  // namespace quorrin::cli

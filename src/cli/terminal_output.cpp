#include "cli/terminal_output.h"

#include <string>

namespace quorrin::cli {
namespace {

// Without a live line, a long download still shows it is alive this often.
constexpr auto kPlainInterval = std::chrono::seconds(10);

void Write(std::FILE* file, const Utf8& text) {
  std::fwrite(text.data(), 1, text.size(), file);
  std::fflush(file);
}

}  // namespace

void TerminalOutput::ClearLiveLine() {
  if (liveWidth_ == 0) return;
  std::string blank(liveWidth_ + 2, ' ');
  blank.front() = blank.back() = '\r';
  Write(err_, Utf8(std::move(blank)));
  liveWidth_ = 0;
}

void TerminalOutput::ShowLive(const Utf8& line) {
  // Writing into the last column wraps on some terminals, and a wrapped line
  // can no longer be rewritten.
  const size_t width = DisplayWidth(line);
  const size_t pad = liveWidth_ > width ? liveWidth_ - width : 0;
  Write(err_, "\r"_u8 + line + Utf8(std::string(pad, ' ')));
  liveWidth_ = width;
}

void TerminalOutput::Row(const RowCells& cells) {
  std::lock_guard<std::mutex> lock(mutex_);
  ClearLiveLine();
  Write(out_, (settings_.json ? JsonRow(cells) : TabSeparatedRow(cells)) + "\n"_u8);
}

void TerminalOutput::Message(const Utf8& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  ClearLiveLine();
  Write(err_, text + "\n"_u8);
}

void TerminalOutput::Status(const Utf8& statusLine, Clock::time_point now) {
  if (!settings_.progress) return;
  std::optional<DownloadStatus> status = ParseDownloadStatus(statusLine);
  if (!status) return;
  std::lock_guard<std::mutex> lock(mutex_);
  const bool newRow = !row_ || row_->index != status->index || row_->count != status->count ||
                      status->progress.empty();
  if (newRow) {
    speed_.Restart(now);
  } else {
    speed_.Add(now, status->receivedMB);
  }
  row_ = status;
  const std::optional<double> speed = newRow ? std::nullopt : speed_.MBPerSecond();
  if (settings_.live) {
    ShowLive(ProgressLine(*status, speed, settings_.columns > 1 ? settings_.columns - 1 : 0));
  } else if (newRow || now - lastPlain_ >= kPlainInterval) {
    lastPlain_ = now;
    Write(err_, ProgressLine(*status, speed) + "\n"_u8);
  }
}

void TerminalOutput::EndProgress() {
  std::lock_guard<std::mutex> lock(mutex_);
  ClearLiveLine();
  row_.reset();
}

}  // namespace quorrin::cli

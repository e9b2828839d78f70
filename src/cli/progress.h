// Download progress for the terminal: read back from the status line the
// download job writes ("当前下载神曲：<title>（i/n）  31%  12.3/40.0 MB"), with
// a speed measured from successive readings.
#pragma once

#include <chrono>
#include <deque>
#include <optional>
#include <utility>

#include "webtext/text.h"

namespace quorrin::cli {

using Clock = std::chrono::steady_clock;

struct DownloadStatus {
  Utf8 title;
  int index = 0;  // from 1
  int count = 0;
  Utf8 progress;  // "31%  12.3/40.0 MB" or "12.3 MB"; empty as a row starts
  double receivedMB = 0;
};

// The row being downloaded, from a status line of a whole-list download;
// nothing for any other status text (a summary, a single-row download).
std::optional<DownloadStatus> ParseDownloadStatus(const Utf8& statusLine);

// Average speed over the last few seconds of one row.
class SpeedMeter {
 public:
  void Restart(Clock::time_point now);
  void Add(Clock::time_point now, double receivedMB);
  // Nothing until the readings span a fifth of a second.
  std::optional<double> MBPerSecond() const;

 private:
  std::deque<std::pair<Clock::time_point, double>> samples_;
};

// "[2/5] 光年之外  31%  12.3/40.0 MB  1.5 MB/s", taking at most `columns`
// terminal columns (0: no limit): the title is cut first, then the line.
Utf8 ProgressLine(const DownloadStatus& status, std::optional<double> mbPerSecond,
                  size_t columns = 0);

// Terminal columns `text` takes: two for an East Asian wide character, one
// for any other.
size_t DisplayWidth(const Utf8& text);

}  // namespace quorrin::cli

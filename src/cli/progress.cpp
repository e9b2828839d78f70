#include "cli/progress.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace quorrin::cli {
namespace {

constexpr auto kSpeedWindow = std::chrono::seconds(5);
constexpr auto kShortestSpan = std::chrono::milliseconds(200);

const std::string kPrefix = "当前下载神曲：";
const std::string kOpen = "（";
const std::string kClose = "）";

bool Digits(const std::string& s, size_t from, size_t to) {
  if (from >= to) return false;
  for (size_t i = from; i < to; ++i)
    if (s[i] < '0' || s[i] > '9') return false;
  return true;
}

// The code point starting at `i` and the length of its sequence (a stray byte
// counts as one character of its own).
std::pair<char32_t, size_t> CodePoint(const std::string& s, size_t i) {
  const auto b = static_cast<unsigned char>(s[i]);
  size_t n = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 1;
  if (i + n > s.size()) n = 1;
  char32_t c = n == 1 ? b : b & (0x7F >> n);
  for (size_t k = 1; k < n; ++k) c = (c << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
  return {c, n};
}

bool Wide(char32_t c) {
  return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) ||
         (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
         (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
         (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1F64F) ||
         (c >= 0x1F900 && c <= 0x1F9FF) || (c >= 0x20000 && c <= 0x3FFFD);
}

// The longest start of `text` that takes at most `columns` columns.
Utf8 CutToWidth(const Utf8& text, size_t columns) {
  const std::string& s = text.value;
  size_t width = 0, i = 0;
  while (i < s.size()) {
    const auto [c, n] = CodePoint(s, i);
    const size_t w = Wide(c) ? 2 : 1;
    if (width + w > columns) break;
    width += w;
    i += n;
  }
  return Utf8(s.substr(0, i));
}

}  // namespace

std::optional<DownloadStatus> ParseDownloadStatus(const Utf8& statusLine) {
  const std::string& s = statusLine.value;
  if (s.rfind(kPrefix, 0) != 0) return std::nullopt;
  // The counter follows the title and only ASCII follows the counter, so the
  // last full-width bracket opens it, whatever brackets the title has.
  const size_t open = s.rfind(kOpen);
  if (open == std::string::npos || open < kPrefix.size()) return std::nullopt;
  const size_t slash = s.find('/', open);
  const size_t close = s.find(kClose, open);
  if (slash == std::string::npos || close == std::string::npos || slash > close)
    return std::nullopt;
  const size_t first = open + kOpen.size();
  if (!Digits(s, first, slash) || !Digits(s, slash + 1, close)) return std::nullopt;

  DownloadStatus status;
  status.title = Utf8(s.substr(kPrefix.size(), open - kPrefix.size()));
  status.index = std::atoi(s.substr(first, slash - first).c_str());
  status.count = std::atoi(s.substr(slash + 1, close - slash - 1).c_str());
  const std::string rest = s.substr(close + kClose.size());
  if (!rest.empty()) {
    if (rest.rfind("  ", 0) != 0) return std::nullopt;
    status.progress = Utf8(rest.substr(2));
    // "31%  12.3/40.0 MB": the received size follows the per cent; "12.3 MB" alone.
    const std::string& p = status.progress.value;
    const size_t percent = p.find("%  ");
    const size_t from = percent == std::string::npos ? 0 : percent + 3;
    status.receivedMB = std::strtod(p.c_str() + from, nullptr);
  }
  return status;
}

void SpeedMeter::Restart(Clock::time_point now) {
  samples_.clear();
  samples_.emplace_back(now, 0.0);
}

void SpeedMeter::Add(Clock::time_point now, double receivedMB) {
  samples_.emplace_back(now, receivedMB);
  while (samples_.size() > 2 && samples_[1].first <= now - kSpeedWindow) samples_.pop_front();
}

std::optional<double> SpeedMeter::MBPerSecond() const {
  if (samples_.size() < 2) return std::nullopt;
  const auto span = samples_.back().first - samples_.front().first;
  if (span < kShortestSpan) return std::nullopt;
  const double seconds = std::chrono::duration<double>(span).count();
  const double mb = samples_.back().second - samples_.front().second;
  return mb < 0 ? 0.0 : mb / seconds;
}

size_t DisplayWidth(const Utf8& text) {
  size_t width = 0;
  for (size_t i = 0; i < text.value.size();) {
    const auto [c, n] = CodePoint(text.value, i);
    width += Wide(c) ? 2 : 1;
    i += n;
  }
  return width;
}

Utf8 ProgressLine(const DownloadStatus& status, std::optional<double> mbPerSecond, size_t columns) {
  std::string counter = "[";
  counter += std::to_string(status.index) + "/" + std::to_string(status.count) + "] ";
  const Utf8 head(std::move(counter));
  Utf8 tail;
  if (!status.progress.empty()) tail = "  "_u8 + status.progress;
  if (mbPerSecond) {
    char speed[32];
    std::snprintf(speed, sizeof speed, "  %.1f MB/s", *mbPerSecond);
    tail += Utf8(std::string(speed));
  }
  const Utf8 line = head + status.title + tail;
  if (columns == 0 || DisplayWidth(line) <= columns) return line;
  // The title gives way first; on a very narrow terminal the line is cut.
  const size_t fixed = DisplayWidth(head) + DisplayWidth(tail);
  if (columns >= fixed + 4)
    return head + CutToWidth(status.title, columns - fixed - 3) + "..."_u8 + tail;
  return CutToWidth(head + tail, columns);
}

}  // namespace quorrin::cli

#include "webtext/text.h"

#include <climits>

namespace quorrin {
namespace {

bool IsLeadByte(char c) {
  return static_cast<unsigned char>(c) >= 0x80;
}

char FoldAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool BytesEqualAt(std::string_view text, size_t at, std::string_view sought, bool ignoreCase) {
  if (sought.size() > text.size() - at) return false;
  if (!ignoreCase) return text.compare(at, sought.size(), sought) == 0;
  for (size_t k = 0; k < sought.size(); ++k) {
    if (FoldAscii(text[at + k]) != FoldAscii(sought[k])) return false;
  }
  return true;
}

}  // namespace

Text NumberText(long long n) {
  return Text(std::to_string(n));
}

Utf8 BytesToText(const Bytes& bytes) {
  const std::string_view all = bytes.view();
  return Utf8(all.substr(0, all.find('\0')));
}

int FindText(const Text& whole, const Text& soughtText, int start, bool ignoreCase) {
  std::string_view text = whole.view();
  const std::string_view sought = soughtText.view();
  // Text is zero-terminated: whatever follows a zero byte is not part of it.
  text = text.substr(0, text.find('\0'));
  if (text.size() > static_cast<size_t>(INT_MAX)) text = text.substr(0, INT_MAX);
  const size_t first = static_cast<size_t>(start < 1 ? 1 : start) - 1;
  if (first >= text.size()) return -1;
  if (sought.empty()) return 1;
  for (size_t at = first; at < text.size(); at += IsLeadByte(text[at]) ? 2 : 1) {
    // A lead byte with nothing after it is no whole character: the text ends there.
    if (IsLeadByte(text[at]) && at + 1 == text.size()) break;
    if (BytesEqualAt(text, at, sought, ignoreCase)) return static_cast<int>(at) + 1;
  }
  return -1;
}

Text ReplaceQuotePlaceholder(const Text& whole) {
  const std::string_view text = whole.view();
  std::string out;
  out.reserve(text.size());
  size_t at = 0;
  while (at < text.size()) {
    if (text.compare(at, QuotePlaceholder.size(), QuotePlaceholder) == 0) {
      out.push_back('"');
      at += QuotePlaceholder.size();
      continue;
    }
    const size_t step = (IsLeadByte(text[at]) && at + 1 < text.size()) ? 2 : 1;
    out.append(text.substr(at, step));
    at += step;
  }
  return Text(std::move(out));
}

Text TextBetween(const Text& text, const Text& startMarker, const Text& endMarker, int start,
                 bool ignoreCase) {
  const Text head = ReplaceQuotePlaceholder(startMarker);
  const Text tail = ReplaceQuotePlaceholder(endMarker);
  const int p = FindText(text, head, start, ignoreCase);
  if (p == -1) return Text();
  const int c = p + static_cast<int>(head.size());
  const int q = FindText(text, tail, c, ignoreCase);
  if (q == -1 || q <= c) return Text();
  return Text(text.view().substr(static_cast<size_t>(c) - 1, static_cast<size_t>(q - c)));
}

}  // namespace quorrin

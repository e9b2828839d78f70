#include "download/file_name.h"

#include <algorithm>
#include <cctype>

namespace quorrin {
namespace {

bool IsForbidden(unsigned char c) {
  return c < 0x20 || c == 0x7F || c == '\\' || c == '/' || c == ':' || c == '*' || c == '?' ||
         c == '"' || c == '<' || c == '>' || c == '|';
}

std::string TrimEnds(std::string s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '.')) s.pop_back();
  size_t lead = 0;
  while (lead < s.size() && s[lead] == ' ') ++lead;
  return s.substr(lead);
}

bool IsDeviceName(std::string_view name) {
  std::string base(name.substr(0, name.find('.')));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  std::transform(base.begin(), base.end(), base.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL") return true;
  return base.size() == 4 && (base.rfind("COM", 0) == 0 || base.rfind("LPT", 0) == 0) &&
         base[3] >= '1' && base[3] <= '9';
}

std::string Clean(std::string_view text) {
  std::string s;
  s.reserve(text.size());
  for (char c : text) s.push_back(IsForbidden(static_cast<unsigned char>(c)) ? '_' : c);
  return TrimEnds(std::move(s));
}

std::string CutUtf8(std::string_view text, size_t maxBytes) {
  if (text.size() <= maxBytes) return std::string(text);
  size_t end = maxBytes;
  // Step back over continuation bytes so that no character is split.
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return std::string(text.substr(0, end));
}

}  // namespace

Utf8 CutUtf8(const Utf8& text, size_t maxBytes) {
  return Utf8(CutUtf8(text.view(), maxBytes));
}

Utf8 SafeFileName(const Utf8& title, const Utf8& fallback, std::string_view suffix) {
  std::string name = Clean(title.view());
  if (name.empty()) name = Clean(fallback.view());
  if (name.empty() || name == "." || name == ".." || IsDeviceName(name)) name.insert(0, 1, '_');
  const size_t room = kMaxFileNameBytes > suffix.size() ? kMaxFileNameBytes - suffix.size() : 1;
  if (name.size() > room) {
    name = TrimEnds(CutUtf8(name, room));
    if (name.empty() || IsDeviceName(name)) {
      name = CutUtf8(name, room - 1);
      name.insert(0, 1, '_');
    }
  }
  return Utf8(std::move(name));
}

}  // namespace quorrin

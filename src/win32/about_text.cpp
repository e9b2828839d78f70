#include "win32/about_text.h"

#include <cctype>
#include <string>
#include <string_view>

namespace quorrin::win32 {
namespace {

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

void AppendUtf8(std::string& out, unsigned long cp) {
  if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// The entity at the start of `s` ("&amp;"); how many bytes it took, 0 for none.
size_t Entity(std::string_view s, std::string& out) {
  const size_t end = s.find(';');
  if (end == std::string_view::npos || end > 10) return 0;
  const std::string name = Lower(s.substr(1, end - 1));
  if (name.size() > 1 && name[0] == '#') {
    const bool hex = name[1] == 'x';
    const std::string digits = name.substr(hex ? 2 : 1);
    if (digits.empty()) return 0;
    for (char c : digits)
      if (!(hex ? std::isxdigit(static_cast<unsigned char>(c))
                : std::isdigit(static_cast<unsigned char>(c))))
        return 0;
    AppendUtf8(out, std::stoul(digits, nullptr, hex ? 16 : 10));
    return end + 1;
  }
  static constexpr std::pair<std::string_view, std::string_view> kNamed[] = {
      {"amp", "&"},  {"lt", "<"},     {"gt", ">"},    {"quot", "\""}, {"apos", "'"},  {"nbsp", " "},
      {"copy", "©"}, {"middot", "·"}, {"mdash", "—"}, {"ndash", "–"}, {"hellip", "…"}};
  for (const auto& [n, text] : kNamed) {
    if (name == n) {
      out += text;
      return end + 1;
    }
  }
  return 0;
}

// The value of attribute `name` inside a tag's text; empty when absent.
std::string Attribute(std::string_view tag, std::string_view name) {
  const std::string lower = Lower(tag);
  size_t at = 0;
  while ((at = lower.find(name, at)) != std::string::npos) {
    const bool wordStart = at > 0 && std::isspace(static_cast<unsigned char>(lower[at - 1]));
    size_t p = at + name.size();
    while (p < lower.size() && lower[p] == ' ') ++p;
    if (wordStart && p < lower.size() && lower[p] == '=') {
      ++p;
      while (p < lower.size() && lower[p] == ' ') ++p;
      if (p >= tag.size()) return {};
      const char quote = tag[p];
      if (quote == '"' || quote == '\'') {
        const size_t close = tag.find(quote, p + 1);
        return std::string(tag.substr(
            p + 1, close == std::string_view::npos ? std::string_view::npos : close - p - 1));
      }
      size_t close = p;
      while (close < tag.size() && !std::isspace(static_cast<unsigned char>(tag[close]))) ++close;
      return std::string(tag.substr(p, close - p));
    }
    at = p;
  }
  return {};
}

}  // namespace

Utf8 AboutPageText(const Utf8& html) {
  const std::string_view s = html.view();
  std::string out;
  std::string link;  // the address of the open link
  bool space = false;
  auto breakLine = [&](int lines) {
    while (!out.empty() && out.back() == ' ') out.pop_back();
    int have = 0;
    for (size_t i = out.size(); i >= 2 && out.compare(i - 2, 2, "\r\n") == 0; i -= 2) ++have;
    if (out.empty()) return;
    for (; have < lines; ++have) out += "\r\n";
    space = false;
  };
  for (size_t i = 0; i < s.size();) {
    const char c = s[i];
    if (c == '<') {
      if (s.compare(i, 4, "<!--") == 0) {
        const size_t end = s.find("-->", i + 4);
        i = end == std::string_view::npos ? s.size() : end + 3;
        continue;
      }
      const size_t end = s.find('>', i);
      if (end == std::string_view::npos) break;
      const std::string_view tag = s.substr(i + 1, end - i - 1);
      const bool closing = !tag.empty() && tag[0] == '/';
      size_t n = closing ? 1 : 0;
      while (n < tag.size() && std::isalnum(static_cast<unsigned char>(tag[n]))) ++n;
      const std::string name = Lower(tag.substr(closing ? 1 : 0, n - (closing ? 1 : 0)));
      i = end + 1;
      if (!closing && (name == "script" || name == "style" || name == "head" || name == "title")) {
        const size_t close = Lower(s.substr(i)).find("</" + name);
        i = close == std::string::npos ? s.size() : i + close;
        continue;
      }
      if (name == "br") {
        breakLine(1);
      } else if (name == "p" || name == "div" || name == "ul" || name == "ol" || name == "table" ||
                 (name.size() == 2 && name[0] == 'h' &&
                  std::isdigit(static_cast<unsigned char>(name[1])))) {
        breakLine(2);
      } else if (name == "li" || name == "tr") {
        breakLine(1);
        if (!closing && name == "li") out += "• ";
      } else if (name == "td" || name == "th") {
        if (closing) space = true;
      } else if (name == "a") {
        if (!closing) {
          link = Attribute(tag, "href");
        } else {
          const bool web = link.rfind("http://", 0) == 0 || link.rfind("https://", 0) == 0;
          if (web && out.find(link) == std::string::npos) out += " (" + link + ")";
          link.clear();
        }
      }
      continue;
    }
    if (std::isspace(static_cast<unsigned char>(c))) {
      space = true;
      ++i;
      continue;
    }
    if (space && !out.empty() && out.back() != '\n') out += ' ';
    space = false;
    if (c == '&') {
      if (const size_t n = Entity(s.substr(i), out)) {
        i += n;
        continue;
      }
    }
    out += c;
    ++i;
  }
  while (!out.empty() && (out.back() == ' ' || out.back() == '\n' || out.back() == '\r'))
    out.pop_back();
  return Utf8(std::move(out));
}

}  // namespace quorrin::win32

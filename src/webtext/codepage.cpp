#include "webtext/codepage.h"

#include <memory>

#include "webtext/codepage_tables.h"

namespace quorrin {
namespace {

using Tables = CodePageTables;

const Tables& CodePage() {
  // Built once, thread-safe.
  static const std::unique_ptr<Tables> tables = [] {
    auto t = std::make_unique<Tables>();
    BuildCodePageTables(*t);
    return t;
  }();
  return *tables;
}

void AppendLocal(const Tables& t, char32_t cp, std::string& out) {
  const uint16_t v = cp < 0x10000 ? t.toLocal[cp] : 0;
  if (v == 0 && cp != 0) {
    out.push_back('?');
  } else if (v < 0x100) {
    out.push_back(static_cast<char>(v));
  } else {
    out.push_back(static_cast<char>(v >> 8));
    out.push_back(static_cast<char>(v & 0xFF));
  }
}

// Decodes one character of local text at `i`; advances `i`. '?' for bytes
// that are no character of code page 936.
char16_t NextLocal(const Tables& t, std::string_view s, size_t& i) {
  const auto b = static_cast<unsigned char>(s[i]);
  if (b < 0x80) {
    ++i;
    return b;
  }
  if (i + 1 < s.size()) {
    const auto trail = static_cast<unsigned char>(s[i + 1]);
    if (const char16_t u = t.fromDouble[(b << 8) | trail]) {
      i += 2;
      return u;
    }
  }
  ++i;
  return t.fromSingle[b] ? t.fromSingle[b] : u'?';
}

void AppendUtf8(char32_t cp, std::string& out) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

}  // namespace

Text Utf8ToLocal(std::string_view utf8) {
  const Tables& t = CodePage();
  Text out;
  out.reserve(utf8.size());
  const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
  const size_t n = utf8.size();
  size_t i = 0;
  while (i < n) {
    const unsigned char b = p[i];
    if (b == 0) break;  // the text ends at the first zero character
    if (b < 0x80) {
      out.push_back(static_cast<char>(b));
      ++i;
      continue;
    }
    // One character of two to four bytes; each maximal invalid part of a
    // sequence becomes one "?".
    int need = 0;
    char32_t cp = 0;
    unsigned char lo = 0x80, hi = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
      need = 1;
      cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
      need = 2;
      cp = b & 0x0F;
      if (b == 0xE0) lo = 0xA0;
      if (b == 0xED) hi = 0x9F;  // no surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
      need = 3;
      cp = b & 0x07;
      if (b == 0xF0) lo = 0x90;
      if (b == 0xF4) hi = 0x8F;
    } else {
      out.push_back('?');
      ++i;
      continue;
    }
    size_t j = i + 1;
    bool good = true;
    for (int k = 0; k < need; ++k, ++j) {
      if (j >= n || p[j] < lo || p[j] > hi) {
        good = false;
        break;
      }
      cp = (cp << 6) | (p[j] & 0x3F);
      lo = 0x80;
      hi = 0xBF;
    }
    i = j;
    if (!good) {
      out.push_back('?');
      continue;
    }
    AppendLocal(t, cp, out);
  }
  return out;
}

std::string LocalToUtf8(std::string_view local) {
  const Tables& t = CodePage();
  std::string out;
  out.reserve(local.size() + local.size() / 2);
  size_t i = 0;
  while (i < local.size()) {
    if (static_cast<unsigned char>(local[i]) < 0x80) {
      out.push_back(local[i++]);
      continue;
    }
    AppendUtf8(NextLocal(t, local, i), out);
  }
  return out;
}

std::u16string LocalToUtf16(std::string_view local) {
  const Tables& t = CodePage();
  std::u16string out;
  out.reserve(local.size());
  size_t i = 0;
  while (i < local.size()) out.push_back(NextLocal(t, local, i));
  return out;
}

Text Utf16ToLocal(std::u16string_view utf16) {
  const Tables& t = CodePage();
  Text out;
  out.reserve(utf16.size() * 2);
  for (size_t k = 0; k < utf16.size(); ++k) {
    const char16_t u = utf16[k];
    if (u == 0) break;
    if (u >= 0xD800 && u <= 0xDBFF && k + 1 < utf16.size() && utf16[k + 1] >= 0xDC00 &&
        utf16[k + 1] <= 0xDFFF) {
      ++k;  // a character beyond the BMP: code page 936 cannot hold it
      out.push_back('?');
      continue;
    }
    AppendLocal(t, u, out);
  }
  return out;
}

}  // namespace quorrin

// Test helpers for the program's kinds of text.
#pragma once

#include <ostream>
#include <string>
#include <string_view>

#include "webtext/codepage.h"
#include "webtext/text.h"

namespace quorrin {
// GoogleTest shows texts as their bytes, escaped.
template <class Kind>
void PrintTo(const ByteString<Kind>& text, std::ostream* out) {
  *out << '"';
  for (unsigned char c : text.value) {
    if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
      *out << c;
    } else {
      static const char* digits = "0123456789ABCDEF";
      *out << "\\x" << digits[c >> 4] << digits[c & 15];
    }
  }
  *out << '"';
}
}  // namespace quorrin

namespace quorrin::test {
// A UTF-8 literal as local (code page 936) text.
inline Text L(std::string_view utf8) {
  return Utf8ToLocal(Utf8(utf8));
}
// Local text shown as UTF-8.
inline std::string U(const Text& local) {
  return LocalToUtf8(local).value;
}
// Bytes written out in a test, taken as local text as they stand.
inline Text T(std::string_view bytes) {
  return Text(bytes);
}
}  // namespace quorrin::test

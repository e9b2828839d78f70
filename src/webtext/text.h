// The program's kinds of text, each a type of its own so that code page 936
// text, UTF-8 text and raw bytes never mix by accident, and the routines that
// cut code page 936 text.
//
// A byte of 0x80 or more together with the byte after it forms one two-byte
// character; every other byte is a character of its own. Positions are 1-based
// byte positions; -1 means that nothing was found.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quorrin {

namespace detail {
// A string literal usable as a template argument, for the checked literals below.
template <size_t N>
struct Literal {
  consteval Literal(const char (&s)[N]) {
    for (size_t i = 0; i < N; ++i) chars[i] = s[i];
  }
  consteval bool Ascii() const {
    for (size_t i = 0; i + 1 < N; ++i)
      if (static_cast<unsigned char>(chars[i]) >= 0x80) return false;
    return true;
  }
  char chars[N]{};
};
}  // namespace detail

// An owned byte string of one kind, compared by content. The kind tag keeps
// the kinds apart: turning one into another takes a conversion routine.
template <class Kind>
struct ByteString {
  std::string value;

  ByteString() = default;
  explicit ByteString(std::string v) : value(std::move(v)) {}
  explicit ByteString(std::string_view v) : value(v) {}

  std::string_view view() const { return value; }
  const char* data() const { return value.data(); }
  size_t size() const { return value.size(); }
  bool empty() const { return value.empty(); }

  ByteString& operator+=(const ByteString& more) {
    value += more.value;
    return *this;
  }
  friend ByteString operator+(ByteString a, const ByteString& b) { return a += b; }
  friend bool operator==(const ByteString&, const ByteString&) = default;
  friend auto operator<=>(const ByteString&, const ByteString&) = default;
};

// Text in code page 936, the program's local text (no zero byte inside).
using Text = ByteString<struct LocalKind>;
// Text in UTF-8: what pages arrive as, what the window and the terminal show.
using Utf8 = ByteString<struct Utf8Kind>;
// Raw bytes with their length; may hold zero bytes.
using Bytes = ByteString<struct BytesKind>;

// "<title>"_t: an ASCII literal as local text (ASCII is the same in code page
// 936 and UTF-8); a literal with any other character does not compile.
template <detail::Literal S>
Text operator""_t() {
  static_assert(S.Ascii(), "only ASCII literals are local text as they stand");
  return Text(std::string_view(S.chars, sizeof(S.chars) - 1));
}

// "神曲"_u8: a literal of the program's own sources, which are UTF-8.
template <detail::Literal S>
Utf8 operator""_u8() {
  return Utf8(std::string_view(S.chars, sizeof(S.chars) - 1));
}

// A number written out in ASCII digits, as local text.
Text NumberText(long long n);

// "#引号" in code page 936: stands for a double quote inside markers and patterns.
inline constexpr std::string_view QuotePlaceholder = "\x23\xD2\xFD\xBA\xC5";

// The bytes before the first zero byte, with no conversion: a page's text in
// its own encoding, which is always taken to be UTF-8.
Utf8 BytesToText(const Bytes& bytes);

// Position of the first occurrence of `sought` at or after `start`, stepping by
// whole characters; -1 when there is none. Ignore case folds ASCII letters only.
int FindText(const Text& text, const Text& sought, int start, bool ignoreCase);

// The text between the first `startMarker` at or after `start` and the nearest
// `endMarker` after it; empty when either is missing. Each QuotePlaceholder in
// the markers stands for a double quote.
Text TextBetween(const Text& text, const Text& startMarker, const Text& endMarker, int start = 1,
                 bool ignoreCase = false);

// `text` with every QuotePlaceholder, left to right by whole characters, made a
// double quote.
Text ReplaceQuotePlaceholder(const Text& text);

}  // namespace quorrin

#include <gtest/gtest.h>

#include "support/local_text.h"
#include "webtext/codepage.h"
#include "webtext/text.h"

namespace quorrin {
namespace {

using test::L;
using test::T;

struct FindCase {
  std::string text, sought;
  int start;
  bool ignoreCase;
  int expected;
};

TEST(FindText, SteppingByCharacters) {
  const FindCase cases[] = {
      {"abc", "b", 0, false, 2},
      {"abc", "b", 1, false, 2},
      {"abc", "b", 2, false, 2},
      {"abc", "b", -5, false, 2},
      {"abc", "b", 3, false, -1},
      {"abc", "b", 4, false, -1},
      {"\x81\x41\x41", "A", 1, false, 3},  // "丄A": 0x41 is the second byte of 丄 first
      {"aBc", "b", 1, true, 2},
      {"aBc", "b", 1, false, -1},
      {"abc", "", 3, false, 1},
      {"abc", "", 4, false, -1},
      {"", "", 1, false, -1},
      {"", "a", 1, false, -1},
      {"ab", "abc", 1, false, -1},                     // the sought text must lie inside the text
      {"\xC9\xF1\xC7\xFA", "\xF1\xC7", 1, false, -1},  // never inside a character
      {"x\xC9\xF1", "\xC9\xF1", 1, false, 2},
      {"\xC9\xF1"
       "ab",
       "\xC9", 2, false, -1},           // a start on a second byte still steps on
      {"x\x80", "\x80", 1, false, -1},  // a lone lead byte at the end is no character
      {"x\xC9\xF1\xFF", "\xFF", 1, false, -1},
      {"x\x80", "", 2, false, 1},  // the searched part is not empty
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FindText(T(c.text), T(c.sought), c.start, c.ignoreCase), c.expected)
        << "text=" << c.text << " sought=" << c.sought << " start=" << c.start;
  }
}

TEST(TextBetween, Cases) {
  struct Case {
    Text text, head, tail, expected;
  };
  const Case cases[] = {
      {L("<title>歌名-在线播放-</title>"), T("<title>"), L("-在线播放-"), L("歌名")},
      {T("[a][b]"), T("["), T("]"), T("a")},
      {T("x[a[b]c]"), T("["), T("]"), T("a[b")},
      {T("a]b[c"), T("["), T("]"), T("")},
      {T("[]"), T("["), T("]"), T("")},
      {T("abc]"), T(""), T("]"), T("abc")},
      {T("abc"), T("a"), T(""), T("")},
      {T(""), T("["), T("]"), T("")},
      {T(""), T(""), T(""), T("")},
      {T("no markers"), T("["), T("]"), T("")},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TextBetween(c.text, c.head, c.tail), c.expected) << c.text.value;
  }
}

TEST(TextBetween, QuotePlaceholderInMarkers) {
  const Text page = T("var x={worksUrl:\"http://v/1.mp4\",worksName:\"n\"}");
  const Text placeholder = T(QuotePlaceholder);
  EXPECT_EQ(TextBetween(page, T("worksUrl:") + placeholder, T("\",worksName")),
            T("http://v/1.mp4"));
  EXPECT_EQ(TextBetween(page, T("worksUrl:\""), placeholder + T(",worksName")),
            T("http://v/1.mp4"));
  EXPECT_EQ(L("#引号"), placeholder);
  // Without the placeholder a marker is used unchanged.
  EXPECT_EQ(ReplaceQuotePlaceholder(T("a#b")), T("a#b"));
  EXPECT_EQ(ReplaceQuotePlaceholder(L("#引号#引号x")), T("\"\"x"));
}

TEST(BytesToText, StopsAtZero) {
  EXPECT_EQ(BytesToText(Bytes(std::string("ab\0c", 4))), "ab"_u8);
  EXPECT_EQ(BytesToText(Bytes()), Utf8());
  EXPECT_EQ(BytesToText(Bytes(std::string("abc"))), "abc"_u8);
}

TEST(Utf8ToLocal, Conversions) {
  struct Case {
    std::string in, expected;
  };
  const Case cases[] = {
      {"\xE7\xA5\x9E\xE6\x9B\xB2", "\xC9\xF1\xC7\xFA"},  // 神曲
      {"", ""},
      {"plain ascii\r\n", "plain ascii\r\n"},
      {"\xE2\x82\xAC", "\x80"},          // euro sign, as code page 936 has it
      {"a\xF0\x9F\x98\x80z", "a?z"},     // an emoji code page 936 cannot hold
      {"\xE3\x81\x82", "\xA4\xA2"},      // hiragana a is in code page 936
      {"\xED\x95\x9C", "?"},             // hangul is not
      {"a\xFFz", "a?z"},                 // invalid byte
      {"a\xE7\xA5z", "a?z"},             // truncated sequence: one "?"
      {"a\xC0\xAFz", "a??z"},            // overlong: each byte is bad
      {"a\xED\xA0\x80z", "a???z"},       // encoded surrogate
      {std::string("ab\0cd", 5), "ab"},  // ends at the first zero
      {"\xEF\xBB\xBFx", "?x"},           // a byte-order mark is kept (as "?")
  };
  for (const auto& c : cases) EXPECT_EQ(Utf8ToLocal(Utf8(c.in)), T(c.expected)) << c.in;
}

// Where code page 936 has no character, the platforms' converters differ:
// Windows' WideCharToMultiByte (no flags) gives its best-fit character, and
// maps the private-use area onto the code page's user-defined areas, where
// glibc's iconv gives nothing ("?"). Both directions follow the platform.
TEST(Utf8ToLocal, CharactersOutsideTheCodePageFollowThePlatform) {
  struct Case {
    const char* name;
    std::string utf8, onLinux, onWindows;
  };
  const Case cases[] = {
      {"A with grave", "\xC3\x80", "?", "\xA8\xA4"},  // best fit: a with grave
      {"broken bar", "\xC2\xA6", "?", "|"},
      {"superscript two", "\xC2\xB2", "?", "2"},
      {"CJK compatibility ideograph", "\xEF\xA4\x80", "?", "\xD8\x4D"},  // U+F900 as U+8C48
      {"private use", "\xEE\x80\x80", "?", "\xAA\xA1"},                  // U+E000
      {"Thai ko kai", "\xE0\xB8\x81", "?", "?"},                         // no best fit either
  };
  for (const auto& c : cases) {
#ifdef _WIN32
    const std::string& expected = c.onWindows;
#else
    const std::string& expected = c.onLinux;
#endif
    EXPECT_EQ(Utf8ToLocal(Utf8(c.utf8)), T(expected)) << c.name;
  }
#ifdef _WIN32
  EXPECT_EQ(LocalToUtf8(T("\xAA\xA1")), Utf8(std::string("\xEE\x80\x80")));  // user-defined area
#else
  EXPECT_EQ(LocalToUtf8(T("\xAA\xA1")), "??"_u8);
#endif
}

TEST(Utf8ToLocal, LargeInputIsComplete) {
  std::string in;
  for (int i = 0; i < 200000; ++i)
    in +=
        "\xE7\xA5\x9E"
        "a";
  const std::string out = Utf8ToLocal(Utf8(in)).value;
  ASSERT_EQ(out.size(), 200000u * 3);
  EXPECT_EQ(out.substr(out.size() - 3),
            "\xC9\xF1"
            "a");
}

TEST(LocalText, RoundTripsThroughUtf8AndUtf16) {
  const Utf8 utf8 = "神曲 abc 《歌名》"_u8;
  const Text local = Utf8ToLocal(utf8);
  EXPECT_EQ(LocalToUtf8(local), utf8);
  EXPECT_EQ(Utf16ToLocal(LocalToUtf16(local)), local);
  EXPECT_EQ(LocalToUtf16(L("ab中cd")).size(), 5u);
  EXPECT_EQ(LocalToUtf8(T("a\x81")), "a?"_u8);  // a lone lead byte at the end
}

}  // namespace
}  // namespace quorrin

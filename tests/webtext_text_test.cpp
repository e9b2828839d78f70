#include <gtest/gtest.h>

#include "support/local_text.h"
#include "webtext/codepage.h"
#include "webtext/text.h"

namespace quorrin {
namespace {

using test::L;

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
    EXPECT_EQ(FindText(c.text, c.sought, c.start, c.ignoreCase), c.expected)
        << "text=" << c.text << " sought=" << c.sought << " start=" << c.start;
  }
}

TEST(TextBetween, Cases) {
  struct Case {
    std::string text, head, tail, expected;
  };
  const Case cases[] = {
      {L("<title>歌名-在线播放-</title>"), "<title>", L("-在线播放-"), L("歌名")},
      {"[a][b]", "[", "]", "a"},
      {"x[a[b]c]", "[", "]", "a[b"},
      {"a]b[c", "[", "]", ""},
      {"[]", "[", "]", ""},
      {"abc]", "", "]", "abc"},
      {"abc", "a", "", ""},
      {"", "[", "]", ""},
      {"", "", "", ""},
      {"no markers", "[", "]", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TextBetween(c.text, c.head, c.tail), c.expected) << c.text;
  }
}

TEST(TextBetween, QuotePlaceholderInMarkers) {
  const std::string page = "var x={worksUrl:\"http://v/1.mp4\",worksName:\"n\"}";
  const std::string withPlaceholder = std::string("worksUrl:") + std::string(QuotePlaceholder);
  EXPECT_EQ(TextBetween(page, withPlaceholder, "\",worksName"), "http://v/1.mp4");
  EXPECT_EQ(TextBetween(page, "worksUrl:\"", std::string(QuotePlaceholder) + ",worksName"),
            "http://v/1.mp4");
  EXPECT_EQ(L("#引号"), std::string(QuotePlaceholder));
  // Without the placeholder a marker is used unchanged.
  EXPECT_EQ(ReplaceQuotePlaceholder("a#b"), "a#b");
  EXPECT_EQ(ReplaceQuotePlaceholder(L("#引号#引号x")), "\"\"x");
}

TEST(BytesToText, StopsAtZero) {
  EXPECT_EQ(BytesToText(std::string("ab\0c", 4)), "ab");
  EXPECT_EQ(BytesToText(""), "");
  EXPECT_EQ(BytesToText("abc"), "abc");
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
  for (const auto& c : cases) EXPECT_EQ(Utf8ToLocal(c.in), c.expected) << c.in;
}

TEST(Utf8ToLocal, LargeInputIsComplete) {
  std::string in;
  for (int i = 0; i < 200000; ++i)
    in +=
        "\xE7\xA5\x9E"
        "a";
  const std::string out = Utf8ToLocal(in);
  ASSERT_EQ(out.size(), 200000u * 3);
  EXPECT_EQ(out.substr(out.size() - 3),
            "\xC9\xF1"
            "a");
}

TEST(LocalText, RoundTripsThroughUtf8AndUtf16) {
  const std::string utf8 = "神曲 abc 《歌名》";
  const std::string local = Utf8ToLocal(utf8);
  EXPECT_EQ(LocalToUtf8(local), utf8);
  EXPECT_EQ(Utf16ToLocal(LocalToUtf16(local)), local);
  EXPECT_EQ(LocalToUtf16(L("ab中cd")).size(), 5u);
  EXPECT_EQ(LocalToUtf8("a\x81"), "a?");  // a lone lead byte at the end
}

}  // namespace
}  // namespace quorrin

#include <gtest/gtest.h>

#include "support/local_text.h"
#include "webtext/pattern_matcher.h"

namespace quorrin {
namespace {

using test::L;

TEST(PatternMatcher, GlobalMatchesAndGroups) {
  PatternMatcher m;
  ASSERT_TRUE(m.Create("id_([0-9]+)", "id_12 id_34"));
  EXPECT_EQ(m.MatchCount(), 2);
  EXPECT_EQ(m.SubMatchText(1, 1), "12");
  EXPECT_EQ(m.SubMatchText(2, 1), "34");
  EXPECT_EQ(m.MatchText(2), "id_34");
  EXPECT_EQ(m.SubMatchCount(), 1);
  EXPECT_EQ(m.SubMatchText(3, 1), "");
  EXPECT_EQ(m.SubMatchText(1, 2), "");
  EXPECT_EQ(m.SubMatchText(0, 1), "");
  EXPECT_EQ(m.MatchText(0), "");

  ASSERT_TRUE(m.Create("id_([0-9]+)", "id_12 id_34", false, true, /*global=*/false));
  EXPECT_EQ(m.MatchCount(), 1);
}

TEST(PatternMatcher, SettingsTable) {
  struct Case {
    std::string pattern, subject;
    bool caseSensitive, multiline, quote;
    int count;
  };
  const Case cases[] = {
      {"id_([0-9]+)", "ID_5", false, true, false, 1},
      {"id_([0-9]+)", "ID_5", true, true, false, 0},
      {"^b", "a\nb", false, false, false, 0},
      {"^b", "a\nb", false, true, false, 1},
      {"a.b", "a\nb", false, true, false, 0},
      {"a.b", "a\rb", false, false, false, 1},  // "." takes a carriage return
      {"b$", "ab\n", false, false, false, 0},   // "$" is the very end only
      {"b$", "ab\n", false, true, false, 1},
      {L("href=#引号([a-z]+)#引号"), "href=\"abc\"", false, true, true, 1},
      {L("href=#引号([a-z]+)#引号"), "href=\"abc\"", false, true, false, 0},
      {"\\/\\\"\\,", "/\",", false, true, false, 1},       // escaped punctuation
      {L("神(.)"), L("神曲神曲"), false, true, false, 2},  // characters, not bytes
      {"x*", "axx", false, true, false, 3},  // "", "xx", "": an empty match moves on by one
      {"", "", false, true, false, 1},
      {"a", "", false, true, false, 0},
      {L("[α]"), L("Α"), false, true, false, 1},  // case folding beyond ASCII
  };
  for (const auto& c : cases) {
    PatternMatcher m;
    ASSERT_TRUE(m.Create(c.pattern, c.subject, c.caseSensitive, c.multiline, true, c.quote))
        << test::U(c.pattern);
    EXPECT_EQ(m.MatchCount(), c.count) << test::U(c.pattern) << " over " << test::U(c.subject);
  }
}

TEST(PatternMatcher, QuotePlaceholderShowsInPatternText) {
  PatternMatcher m;
  EXPECT_EQ(m.PatternText(), "");
  EXPECT_EQ(m.MatchCount(), 0);
  ASSERT_TRUE(m.Create(L("a#引号b"), "a\"b", false, true, true, true));
  EXPECT_EQ(m.PatternText(), "a\"b");
  ASSERT_TRUE(m.Create(L("a#引号b"), "a\"b", false, true, true, false));
  EXPECT_EQ(m.PatternText(), L("a#引号b"));
}

TEST(PatternMatcher, InvalidPatternGivesFalseAndEmptyResults) {
  for (const char* bad : {"(", "[a", "a{2,1}", "*x", "\\"}) {
    PatternMatcher m;
    EXPECT_FALSE(m.Create(bad, "some (text")) << bad;
    EXPECT_EQ(m.MatchCount(), 0);
    EXPECT_EQ(m.SubMatchText(1, 1), "");
    EXPECT_EQ(m.SubMatchCount(), 0);
    EXPECT_EQ(m.ReplaceMatches("x"), "");
  }
}

TEST(PatternMatcher, EmptySubjectHasNoMatches) {
  PatternMatcher m;
  EXPECT_TRUE(m.Create("id_([0-9]+)", ""));
  EXPECT_EQ(m.MatchCount(), 0);
  EXPECT_EQ(m.SubMatchCount(), 0);
}

TEST(PatternMatcher, PositionsAreByteOffsetsInLocalText) {
  PatternMatcher m;
  ASSERT_TRUE(m.Create("c", L("ab中cd")));
  int position = 0;
  EXPECT_EQ(m.MatchText(1, &position), "c");
  EXPECT_EQ(position, 4);

  // A group's position is its first occurrence from the start of its match.
  ASSERT_TRUE(m.Create("x(a)", L("中中xa")));
  EXPECT_EQ(m.SubMatchText(1, 1, &position), "a");
  EXPECT_EQ(position, 5);
  ASSERT_TRUE(m.Create("a(b)(a)", "zaba"));
  EXPECT_EQ(m.SubMatchText(1, 2, &position), "a");
  EXPECT_EQ(position, 1);  // the match's own first "a", before the group at offset 3
  EXPECT_EQ(m.MatchText(9, &position), "");
  EXPECT_EQ(position, -2);
}

TEST(PatternMatcher, PositionSearchBeginsAtAWholeCharacter) {
  // In "中中中中ab ab" the first match's FirstIndex 4, taken as a byte position,
  // is the second byte of the second "中"; in "a中中ab", FirstIndex 3 is the
  // second byte of the first "中". The second match of "ab ab" is searched
  // from the fourth "中" and found earlier, at 8, as the steps allow.
  struct Case {
    const char* subjectUtf8;
    const char* pattern;
    int match;
    int expected;
  };
  const Case cases[] = {
      {"中中中中ab ab", "ab", 1, 8},   {"中中中中ab ab", "ab", 2, 8},
      {"中中中中ab ab", "(ab)", 1, 8}, {"中中中中ab ab", "(ab)", 2, 8},
      {"a中中ab", "ab", 1, 5},         {"a中中ab", "(ab)", 1, 5},
  };
  for (const auto& c : cases) {
    PatternMatcher m;
    ASSERT_TRUE(m.Create(c.pattern, L(c.subjectUtf8)));
    int position = 0;
    const bool group = c.pattern[0] == '(';
    EXPECT_EQ(group ? m.SubMatchText(c.match, 1, &position) : m.MatchText(c.match, &position),
              "ab");
    EXPECT_EQ(position, c.expected) << c.subjectUtf8 << " " << c.pattern << " match " << c.match;
  }
}

TEST(PatternMatcher, UnsetGroupIsEmpty) {
  PatternMatcher m;
  ASSERT_TRUE(m.Create("(a)|(b)", "b"));
  EXPECT_EQ(m.SubMatchCount(), 2);
  EXPECT_EQ(m.SubMatchText(1, 1), "");
  EXPECT_EQ(m.SubMatchText(1, 2), "b");
}

TEST(PatternMatcher, ReplaceMatches) {
  PatternMatcher m;
  ASSERT_TRUE(m.Create("id_([0-9]+)", "id_12 id_34"));
  EXPECT_EQ(m.ReplaceMatches("<$1>"), "<12> <34>");
  EXPECT_EQ(m.ReplaceMatches("$&/$$/$2/$"), "id_12/$/$2/$ id_34/$/$2/$");
  ASSERT_TRUE(m.Create("b", "abc"));
  EXPECT_EQ(m.ReplaceMatches("[$`|$']"), "a[a|c]c");
  ASSERT_TRUE(m.Create("id_([0-9]+)", "id_12 id_34", false, true, /*global=*/false));
  EXPECT_EQ(m.ReplaceMatches("X"), "X id_34");
  ASSERT_TRUE(m.Create(L("曲"), L("神曲神曲")));
  EXPECT_EQ(m.ReplaceMatches("-"), L("神-神-"));
}

TEST(PatternMatcher, PathologicalPatternGivesUp) {
  PatternMatcher m;
  const std::string subject(40, 'a');
  EXPECT_FALSE(m.Create("(a+)+$", subject + "b"));
  EXPECT_EQ(m.MatchCount(), 0);
}

TEST(PatternMatcher, PlayLinkPattern) {
  const std::string pattern = L("<a href *= *['#引号]/play/id_*(\\S+).html[#引号']");
  ASSERT_EQ(pattern.size(), 48u);
  const std::string subject =
      "<a href=\"/play/id_101.html\">x</a>\r\n"
      "<A HREF = '/play/id_202.html'>y</a>\r\n"
      "<a href=\"/play/id303.html\">z</a>\r\n"
      "<a href=\"http://h/play/id_404.html\">abs</a>\r\n"
      "<a class=\"c\" href=\"/play/id_505.html\">attr</a>\r\n";
  PatternMatcher m;
  ASSERT_TRUE(m.Create(pattern, subject, false, false, true, true));
  ASSERT_EQ(m.MatchCount(), 3);
  EXPECT_EQ(m.SubMatchText(1, 1), "101");
  EXPECT_EQ(m.SubMatchText(2, 1), "202");
  EXPECT_EQ(m.SubMatchText(3, 1), "303");
}

}  // namespace
}  // namespace quorrin

#include <gtest/gtest.h>

#include "support/local_text.h"
#include "webtext/pattern_matcher.h"

namespace quorrin {
namespace {

using test::L;

TEST(PatternMatcher, GlobalMatchesAndGroups) {
  PatternMatcher m;
  ASSERT_TRUE(m.Create("id_([0-9]+)"_t, "id_12 id_34"_t));
  EXPECT_EQ(m.MatchCount(), 2);
  EXPECT_EQ(m.SubMatchText(1, 1), "12"_t);
  EXPECT_EQ(m.SubMatchText(2, 1), "34"_t);
  EXPECT_EQ(m.MatchText(2), "id_34"_t);
  EXPECT_EQ(m.SubMatchCount(), 1);
  EXPECT_EQ(m.SubMatchText(3, 1), ""_t);
  EXPECT_EQ(m.SubMatchText(1, 2), ""_t);
  EXPECT_EQ(m.SubMatchText(0, 1), ""_t);
  EXPECT_EQ(m.MatchText(0), ""_t);

  ASSERT_TRUE(m.Create("id_([0-9]+)"_t, "id_12 id_34"_t, false, true, /*global=*/false));
  EXPECT_EQ(m.MatchCount(), 1);
}

TEST(PatternMatcher, SettingsTable) {
  struct Case {
    Text pattern, subject;
    bool caseSensitive, multiline, quote;
    int count;
  };
  const Case cases[] = {
      {"id_([0-9]+)"_t, "ID_5"_t, false, true, false, 1},
      {"id_([0-9]+)"_t, "ID_5"_t, true, true, false, 0},
      {"^b"_t, "a\nb"_t, false, false, false, 0},
      {"^b"_t, "a\nb"_t, false, true, false, 1},
      {"a.b"_t, "a\nb"_t, false, true, false, 0},
      {"a.b"_t, "a\rb"_t, false, false, false, 1},  // "." takes a carriage return
      {"b$"_t, "ab\n"_t, false, false, false, 0},   // "$" is the very end only
      {"b$"_t, "ab\n"_t, false, true, false, 1},
      {L("href=#引号([a-z]+)#引号"), "href=\"abc\""_t, false, true, true, 1},
      {L("href=#引号([a-z]+)#引号"), "href=\"abc\""_t, false, true, false, 0},
      {"\\/\\\"\\,"_t, "/\","_t, false, true, false, 1},   // escaped punctuation
      {L("神(.)"), L("神曲神曲"), false, true, false, 2},  // characters, not bytes
      {"x*"_t, "axx"_t, false, true, false, 3},  // "", "xx", "": an empty match moves on by one
      {""_t, ""_t, false, true, false, 1},
      {"a"_t, ""_t, false, true, false, 0},
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
  EXPECT_EQ(m.PatternText(), ""_t);
  EXPECT_EQ(m.MatchCount(), 0);
  ASSERT_TRUE(m.Create(L("a#引号b"), "a\"b"_t, false, true, true, true));
  EXPECT_EQ(m.PatternText(), "a\"b"_t);
  ASSERT_TRUE(m.Create(L("a#引号b"), "a\"b"_t, false, true, true, false));
  EXPECT_EQ(m.PatternText(), L("a#引号b"));
}

TEST(PatternMatcher, InvalidPatternGivesFalseAndEmptyResults) {
  for (const char* bad : {"(", "[a", "a{2,1}", "*x", "\\"}) {
    PatternMatcher m;
    EXPECT_FALSE(m.Create(test::T(bad), "some (text"_t)) << bad;
    EXPECT_EQ(m.MatchCount(), 0);
    EXPECT_EQ(m.SubMatchText(1, 1), ""_t);
    EXPECT_EQ(m.SubMatchCount(), 0);
    EXPECT_EQ(m.ReplaceMatches("x"_t), ""_t);
  }
}

TEST(PatternMatcher, EmptySubjectHasNoMatches) {
  PatternMatcher m;
  EXPECT_TRUE(m.Create("id_([0-9]+)"_t, ""_t));
  EXPECT_EQ(m.MatchCount(), 0);
  EXPECT_EQ(m.SubMatchCount(), 0);
}

TEST(PatternMatcher, PositionsAreByteOffsetsInLocalText) {
  PatternMatcher m;
  ASSERT_TRUE(m.Create("c"_t, L("ab中cd")));
  int position = 0;
  EXPECT_EQ(m.MatchText(1, &position), "c"_t);
  EXPECT_EQ(position, 4);

  // A group's position is its first occurrence from the start of its match.
  ASSERT_TRUE(m.Create("x(a)"_t, L("中中xa")));
  EXPECT_EQ(m.SubMatchText(1, 1, &position), "a"_t);
  EXPECT_EQ(position, 5);
  ASSERT_TRUE(m.Create("a(b)(a)"_t, "zaba"_t));
  EXPECT_EQ(m.SubMatchText(1, 2, &position), "a"_t);
  EXPECT_EQ(position, 1);  // the match's own first "a", before the group at offset 3
  EXPECT_EQ(m.MatchText(9, &position), ""_t);
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
    ASSERT_TRUE(m.Create(test::T(c.pattern), L(c.subjectUtf8)));
    int position = 0;
    const bool group = c.pattern[0] == '(';
    EXPECT_EQ(group ? m.SubMatchText(c.match, 1, &position) : m.MatchText(c.match, &position),
              "ab"_t);
    EXPECT_EQ(position, c.expected) << c.subjectUtf8 << " " << c.pattern << " match " << c.match;
  }
}

TEST(PatternMatcher, UnsetGroupIsEmpty) {
  PatternMatcher m;
  ASSERT_TRUE(m.Create("(a)|(b)"_t, "b"_t));
  EXPECT_EQ(m.SubMatchCount(), 2);
  EXPECT_EQ(m.SubMatchText(1, 1), ""_t);
  EXPECT_EQ(m.SubMatchText(1, 2), "b"_t);
}

// Group texts are taken during the match only while they stay within the
// subject's size; nested groups outgrow it here from the second match on, and
// every text must read the same either way, also after a new Create.
TEST(PatternMatcher, NestedGroupsOutgrowingTheSubjectReadTheSame) {
  PatternMatcher m;
  ASSERT_TRUE(m.Create(L("(((中)a)b)"), L("中ab 中ab 中ab")));
  ASSERT_EQ(m.MatchCount(), 3);
  for (int i = 1; i <= 3; ++i) {
    EXPECT_EQ(m.SubMatchText(i, 1), L("中ab")) << i;
    EXPECT_EQ(m.SubMatchText(i, 2), L("中a")) << i;
    int position = 0;
    EXPECT_EQ(m.SubMatchText(i, 3, &position), L("中")) << i;
    EXPECT_EQ(position, 5 * (i - 1)) << i;
  }
  ASSERT_TRUE(m.Create("x(y)"_t, "xy"_t));
  EXPECT_EQ(m.SubMatchText(1, 1), "y"_t);
}

TEST(PatternMatcher, ReplaceMatches) {
  PatternMatcher m;
  ASSERT_TRUE(m.Create("id_([0-9]+)"_t, "id_12 id_34"_t));
  EXPECT_EQ(m.ReplaceMatches("<$1>"_t), "<12> <34>"_t);
  EXPECT_EQ(m.ReplaceMatches("$&/$$/$2/$"_t), "id_12/$/$2/$ id_34/$/$2/$"_t);
  ASSERT_TRUE(m.Create("b"_t, "abc"_t));
  EXPECT_EQ(m.ReplaceMatches("[$`|$']"_t), "a[a|c]c"_t);
  ASSERT_TRUE(m.Create("id_([0-9]+)"_t, "id_12 id_34"_t, false, true, /*global=*/false));
  EXPECT_EQ(m.ReplaceMatches("X"_t), "X id_34"_t);
  ASSERT_TRUE(m.Create(L("曲"), L("神曲神曲")));
  EXPECT_EQ(m.ReplaceMatches("-"_t), L("神-神-"));
}

TEST(PatternMatcher, PathologicalPatternGivesUp) {
  PatternMatcher m;
  const Text subject(std::string(40, 'a'));
  EXPECT_FALSE(m.Create("(a+)+$"_t, subject + "b"_t));
  EXPECT_EQ(m.MatchCount(), 0);
}

TEST(PatternMatcher, PlayLinkPattern) {
  const Text pattern = L("<a href *= *['#引号]/play/id_*(\\S+).html[#引号']");
  ASSERT_EQ(pattern.size(), 48u);
  const Text subject =
      "<a href=\"/play/id_101.html\">x</a>\r\n"_t
      "<A HREF = '/play/id_202.html'>y</a>\r\n"_t
      "<a href=\"/play/id303.html\">z</a>\r\n"_t
      "<a href=\"http://h/play/id_404.html\">abs</a>\r\n"_t
      "<a class=\"c\" href=\"/play/id_505.html\">attr</a>\r\n"_t;
  PatternMatcher m;
  ASSERT_TRUE(m.Create(pattern, subject, false, false, true, true));
  ASSERT_EQ(m.MatchCount(), 3);
  EXPECT_EQ(m.SubMatchText(1, 1), "101"_t);
  EXPECT_EQ(m.SubMatchText(2, 1), "202"_t);
  EXPECT_EQ(m.SubMatchText(3, 1), "303"_t);
}

}  // namespace
}  // namespace quorrin

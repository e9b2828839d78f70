// Runs one regular expression over one subject text and gives the matches and
// their captured groups, in the dialect of the platform's pages' patterns:
// backslash escapes of punctuation, \S, classes, groups numbered by their
// opening parentheses, case-insensitive matching by default, every
// non-overlapping match left to right when global, "." not matching a line
// feed, and matching over characters rather than bytes.
//
// Texts are code page 936; the engine sees them as UTF-16, so FirstIndex-style
// offsets count UTF-16 units. A matcher belongs to the thread that made it.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "webtext/text.h"

namespace quorrin {

class PatternMatcher {
 public:
  PatternMatcher();
  ~PatternMatcher();
  PatternMatcher(const PatternMatcher&) = delete;
  PatternMatcher& operator=(const PatternMatcher&) = delete;

  // Compiles `pattern` and runs it over `subject`, which the matcher keeps
  // (move a large page in rather than copy it). True when a match
  // collection came out (possibly empty); false for an invalid pattern or a
  // run the engine gave up on (for example its match limit).
  bool Create(const Text& pattern, Text subject, bool caseSensitive = false, bool multiline = true,
              bool global = true, bool quotePlaceholder = false);

  // The current pattern (after placeholder replacement); empty before Create.
  Text PatternText() const;
  // The subject with its matches replaced; "$1", "$&", "$`", "$'" and "$$"
  // references follow the dialect. Empty text on failure.
  Text ReplaceMatches(const Text& replacement) const;
  int MatchCount() const;
  // Match i (from 1); when `position` is given, it receives the 0-based byte
  // offset of the match in the subject, or -2 when it is not found there.
  Text MatchText(int i, int* position = nullptr) const;
  // Group k (from 1) of match i (from 1); empty for a group that did not take
  // part or numbers out of range. `position` as for MatchText.
  Text SubMatchText(int i, int k, int* position = nullptr) const;
  int SubMatchCount() const;

 private:
  struct Engine;
  Text RangeText(size_t begin, size_t end) const;
  Text Located(size_t matchBegin, const Text& found, int* position) const;
  void KeepGroupTexts(const size_t* ovector);

  std::unique_ptr<Engine> engine_;
  // Offsets of every match: (1 + groups) begin/end pairs per match, UTF-16 units.
  std::vector<size_t> matches_;
  // The texts of groups 1 and on of the first keptMatches_ matches, one after
  // another, each ending at its entry of groupTextEnds_. They are taken right
  // after each match, while that part of the subject is in the cache: read
  // back later from a large page, every group costs a cache miss.
  std::string groupText_;
  std::vector<size_t> groupTextEnds_;
  size_t keptMatches_ = 0;
  bool haveMatches_ = false;
  Text subject_;
};

}  // namespace quorrin

#include "webtext/pattern_matcher.h"

#include <pcre2.h>

#include "webtext/codepage.h"

namespace quorrin {
namespace {

// Budget of one engine run; a page that needs more makes Create give false
// rather than hold its job.
constexpr uint32_t kMatchLimit = 5'000'000;
constexpr uint32_t kDepthLimit = 100'000;
constexpr size_t kJitStackMax = 4 * 1024 * 1024;

PCRE2_SPTR16 Units(const std::u16string& s) {
  return reinterpret_cast<PCRE2_SPTR16>(s.data());
}

// The 1-based position of the first byte of the character that holds byte
// `position` (positions below 1 count as 1); positions past the end stay.
int CharacterStart(const Text& text, int position) {
  const size_t wanted = static_cast<size_t>(position < 1 ? 1 : position) - 1;
  size_t at = 0;
  while (at < text.size()) {
    const size_t next = at + (static_cast<unsigned char>(text.value[at]) >= 0x80 ? 2 : 1);
    if (next > wanted) return static_cast<int>(at) + 1;
    at = next;
  }
  return position;
}

}  // namespace

struct PatternMatcher::Engine {
  Text pattern;
  bool ignoreCase = true;
  bool global = true;
  // The subject as UTF-16: a buffer of its own rather than a string, so that
  // a large page is not zeroed before it is converted.
  std::unique_ptr<char16_t[]> subject16;
  size_t length16 = 0;
  uint32_t groups = 0;
  pcre2_code* code = nullptr;

  ~Engine() {
    if (code) pcre2_code_free(code);
  }
  std::u16string_view Subject16() const { return {subject16.get(), length16}; }
};

PatternMatcher::PatternMatcher() = default;
PatternMatcher::~PatternMatcher() {
  engine_.reset();
  matches_.clear();
  subject_ = Text();
}

bool PatternMatcher::Create(const Text& pattern, Text subject, bool caseSensitive, bool multiline,
                            bool global, bool quotePlaceholder) {
  engine_ = std::make_unique<Engine>();
  matches_.clear();
  groupText_.clear();
  groupTextEnds_.clear();
  keptMatches_ = 0;
  haveMatches_ = false;
  Engine& e = *engine_;
  e.ignoreCase = !caseSensitive;
  e.global = global;
  e.pattern = quotePlaceholder ? ReplaceQuotePlaceholder(pattern) : pattern;
  subject_ = std::move(subject);

  // UTF mode without UCP: letters fold case by Unicode rules, while \s, \w and
  // \d keep their ASCII meaning. The line feed alone is a newline, so "."
  // matches a carriage return; "$" means the very end unless multiline.
  uint32_t options = PCRE2_UTF | PCRE2_NO_UTF_CHECK;
  if (e.ignoreCase) options |= PCRE2_CASELESS;
  options |= multiline ? PCRE2_MULTILINE : PCRE2_DOLLAR_ENDONLY;

  pcre2_compile_context_16* cctx = pcre2_compile_context_create_16(nullptr);
  if (!cctx) return false;
  pcre2_set_newline_16(cctx, PCRE2_NEWLINE_LF);
  const std::u16string pattern16 = LocalToUtf16(e.pattern);
  int error = 0;
  PCRE2_SIZE errorOffset = 0;
  e.code =
      pcre2_compile_16(Units(pattern16), pattern16.size(), options, &error, &errorOffset, cctx);
  pcre2_compile_context_free_16(cctx);
  if (!e.code) return false;
  pcre2_jit_compile_16(e.code, PCRE2_JIT_COMPLETE);  // falls back to the interpreter
  pcre2_pattern_info_16(e.code, PCRE2_INFO_CAPTURECOUNT, &e.groups);

  e.subject16.reset(new char16_t[subject_.size() + 1]);
  e.length16 = LocalToUtf16(subject_, e.subject16.get());
  pcre2_match_data_16* md = pcre2_match_data_create_from_pattern_16(e.code, nullptr);
  pcre2_match_context_16* mctx = pcre2_match_context_create_16(nullptr);
  pcre2_jit_stack_16* stack = pcre2_jit_stack_create_16(32 * 1024, kJitStackMax, nullptr);
  bool ok = md && mctx;
  if (ok) {
    pcre2_set_match_limit_16(mctx, kMatchLimit);
    pcre2_set_depth_limit_16(mctx, kDepthLimit);
    if (stack) pcre2_jit_stack_assign_16(mctx, nullptr, stack);
    const auto subj = reinterpret_cast<PCRE2_SPTR16>(e.subject16.get());
    const size_t length = e.length16;
    const size_t pairs = 1 + e.groups;
    size_t start = 0;
    while (start <= length) {
      const int rc = pcre2_match_16(e.code, subj, length, start, PCRE2_NO_UTF_CHECK, md, mctx);
      if (rc == PCRE2_ERROR_NOMATCH) break;
      if (rc < 0) {
        ok = false;
        break;
      }
      const PCRE2_SIZE* ov = pcre2_get_ovector_pointer_16(md);
      for (size_t k = 0; k < pairs; ++k) {
        matches_.push_back(ov[2 * k]);
        matches_.push_back(ov[2 * k + 1]);
      }
      KeepGroupTexts(ov);
      if (!global) break;
      // An empty match moves the next search on by one character.
      start = ov[1] > ov[0] ? ov[1] : ov[1] + 1;
    }
  }
  if (stack) pcre2_jit_stack_free_16(stack);
  if (mctx) pcre2_match_context_free_16(mctx);
  if (md) pcre2_match_data_free_16(md);
  if (!ok) {
    matches_.clear();
    groupText_.clear();
    groupTextEnds_.clear();
    keptMatches_ = 0;
    return false;
  }
  haveMatches_ = true;
  return true;
}

void PatternMatcher::KeepGroupTexts(const size_t* ovector) {
  // Only while every earlier match is kept, and within the subject's size, so
  // that nested groups over a large page cannot multiply it.
  const size_t groups = engine_->groups;
  if (keptMatches_ + 1 != matches_.size() / (2 * (1 + groups))) return;
  const size_t before = groupText_.size();
  for (size_t k = 1; k <= groups; ++k) {
    groupText_ += RangeText(ovector[2 * k], ovector[2 * k + 1]).value;
    groupTextEnds_.push_back(groupText_.size());
  }
  if (groupText_.size() > subject_.size()) {
    groupText_.resize(before);
    groupTextEnds_.resize(groupTextEnds_.size() - groups);
    return;
  }
  ++keptMatches_;
}

Text PatternMatcher::PatternText() const {
  return engine_ ? engine_->pattern : Text();
}

int PatternMatcher::MatchCount() const {
  if (!engine_ || !haveMatches_) return 0;
  return static_cast<int>(matches_.size() / (2 * (1 + engine_->groups)));
}

int PatternMatcher::SubMatchCount() const {
  return MatchCount() > 0 ? static_cast<int>(engine_->groups) : 0;
}

Text PatternMatcher::RangeText(size_t begin, size_t end) const {
  if (begin == PCRE2_UNSET || end < begin) return Text();
  return Utf16ToLocal(engine_->Subject16().substr(begin, end - begin));
}

Text PatternMatcher::Located(size_t matchBegin, const Text& found, int* position) const {
  if (position) {
    // The search starts at byte position FirstIndex (1-based), which lies at
    // or before the match: a character takes no fewer bytes than UTF-16 units.
    // That position may be the second byte of a character; the search then
    // begins with the whole character, so a match right after it is not skipped.
    const int from = CharacterStart(subject_, static_cast<int>(matchBegin));
    const int at = FindText(subject_, found, from, engine_->ignoreCase);
    *position = at == -1 ? -2 : at - 1;
  }
  return found;
}

Text PatternMatcher::MatchText(int i, int* position) const {
  if (i < 1 || i > MatchCount()) {
    if (position) *position = -2;
    return Text();
  }
  const size_t base = static_cast<size_t>(i - 1) * 2 * (1 + engine_->groups);
  return Located(matches_[base], RangeText(matches_[base], matches_[base + 1]), position);
}

Text PatternMatcher::SubMatchText(int i, int k, int* position) const {
  if (i < 1 || i > MatchCount() || k < 1 || k > static_cast<int>(engine_->groups)) {
    if (position) *position = -2;
    return Text();
  }
  const size_t base = static_cast<size_t>(i - 1) * 2 * (1 + engine_->groups);
  if (static_cast<size_t>(i) <= keptMatches_) {
    const size_t entry = static_cast<size_t>(i - 1) * engine_->groups + static_cast<size_t>(k - 1);
    const size_t begin = entry == 0 ? 0 : groupTextEnds_[entry - 1];
    return Located(matches_[base], Text(groupText_.substr(begin, groupTextEnds_[entry] - begin)),
                   position);
  }
  const size_t g = base + 2 * static_cast<size_t>(k);
  return Located(matches_[base], RangeText(matches_[g], matches_[g + 1]), position);
}

Text PatternMatcher::ReplaceMatches(const Text& replacement) const {
  if (!engine_ || !haveMatches_) return Text();
  const std::u16string_view s = engine_->Subject16();
  const std::u16string rep = LocalToUtf16(replacement);
  const size_t pairs = 1 + engine_->groups;
  const size_t count = matches_.size() / (2 * pairs);
  std::u16string out;
  size_t copied = 0;
  for (size_t m = 0; m < count; ++m) {
    const size_t* ov = &matches_[m * 2 * pairs];
    out.append(s, copied, ov[0] - copied);
    for (size_t r = 0; r < rep.size(); ++r) {
      const char16_t c = rep[r];
      if (c != u'$' || r + 1 >= rep.size()) {
        out.push_back(c);
        continue;
      }
      const char16_t n = rep[r + 1];
      if (n == u'$') {
        out.push_back(u'$');
        ++r;
      } else if (n == u'&') {
        out.append(s, ov[0], ov[1] - ov[0]);
        ++r;
      } else if (n == u'`') {
        out.append(s, 0, ov[0]);
        ++r;
      } else if (n == u'\'') {
        out.append(s, ov[1], std::u16string::npos);
        ++r;
      } else if (n >= u'0' && n <= u'9') {
        // Two digits when they name a group, else one.
        size_t group = n - u'0';
        size_t used = 1;
        if (r + 2 < rep.size() && rep[r + 2] >= u'0' && rep[r + 2] <= u'9') {
          const size_t two = group * 10 + (rep[r + 2] - u'0');
          if (two >= 1 && two < pairs) {
            group = two;
            used = 2;
          }
        }
        if (group >= 1 && group < pairs) {
          const size_t b = ov[2 * group], e = ov[2 * group + 1];
          if (b != PCRE2_UNSET) out.append(s, b, e - b);
          r += used;
        } else {
          out.push_back(c);
        }
      } else {
        out.push_back(c);
      }
    }
    copied = ov[1];
  }
  out.append(s, copied, std::u16string::npos);
  return Utf16ToLocal(out);
}

}  // namespace quorrin

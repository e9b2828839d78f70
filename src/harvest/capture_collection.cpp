#include "harvest/capture_collection.h"

#include <utility>

#include "harvest/song_table.h"
#include "webtext/codepage.h"
#include "webtext/pattern_matcher.h"

namespace quorrin {

void FailureCaption(JobWindow& window, const Utf8& caption) {
  window.SetCaption(controls::kSongGroup, Utf8ToLocal(caption));
}

void CollectCaptures(JobWindow& window, const Text& pattern, Text text) {
  PatternMatcher matcher;
  if (!matcher.Create(pattern, std::move(text), /*caseSensitive=*/false, /*multiline=*/false,
                      /*global=*/true, /*quotePlaceholder=*/true)) {
    FailureCaption(window, kEngineFailedCaption);
    return;
  }
  const int count = matcher.MatchCount();
  if (count == 0) {
    FailureCaption(window, kNoMatchCaption);
    return;
  }
  IdBuffer ids(window);
  for (int i = 1; i <= count; ++i) {
    if (window.job() && window.job()->Ended()) return;
    ids.Append(matcher.SubMatchText(i, 1) + "\r\n"_t);
  }
}

}  // namespace quorrin

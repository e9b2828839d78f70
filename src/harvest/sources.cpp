#include "harvest/sources.h"

#include <climits>
#include <utility>

#include "harvest/capture_collection.h"
#include "webtext/codepage.h"
#include "webtext/fetch.h"

namespace quorrin {
namespace {

// A source that cuts one section out of one page and collects its play links.
WorkIdSource SectionSource(Text address, Text startMarker, Text endMarker) {
  return {[address = std::move(address), startMarker = std::move(startMarker),
           endMarker = std::move(endMarker)](HarvestEnv& env) {
    const Text page = FetchPageText(address, env.cancel);
    CollectCaptures(env.window, PlayLinkPattern(), TextBetween(page, startMarker, endMarker));
  }};
}

Text RankStart() {
  return "<div class=\"sq-ranklist-content\">\r"_t;
}
Text RankEnd() {
  return "<div class=\"sq-rank-tips\">\r"_t;
}

Text ShenquAddress(const std::string& host, const Text& path) {
  return "http://"_t + Text(host) + path;
}

}  // namespace

Text PlayLinkPattern() {
  return Utf8ToLocal("<a href *= *['#引号]/play/id_*(\\S+).html[#引号']"_u8);
}

WorkIdSource HomePageSource(const std::string& shenquHost) {
  return SectionSource(ShenquAddress(shenquHost, "/"_t), "<div class=\"section-content\">\r"_t,
                       "<div class=\"footer\">\r"_t);
}

WorkIdSource DailyChartSource(const std::string& shenquHost) {
  return SectionSource(ShenquAddress(shenquHost, "/hot/daily.html"_t), RankStart(), RankEnd());
}

WorkIdSource MonthlyChartSource(const std::string& shenquHost) {
  return SectionSource(ShenquAddress(shenquHost, "/hot/monthly.html"_t), RankStart(), RankEnd());
}

Text ListingAddress(const std::string& mainHost, const Text& yyNumber, int page) {
  return "http://"_t + Text(mainHost) + "/u/works/s?yyno="_t + yyNumber + "&p="_t +
         NumberText(page);
}

int IntegerValue(const Text& number) {
  const std::string_view text = number.view();
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' ||
                             text[i] == '\n' || text[i] == '\v' || text[i] == '\f'))
    ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > INT_MAX) value = INT_MAX;  // saturate rather than overflow
  }
  return static_cast<int>(negative ? -value : value);
}

int PageCountOf(const Text& firstPage) {
  return IntegerValue(TextBetween(firstPage, "\"pages\":"_t, ",\"data\":"_t));
}

Text WorksLinkPattern(const std::string& mainHost) {
  return "http:\\/\\/"_t + Text(mainHost) + "\\/s\\/*(\\S+)\\\"\\,\\\"be"_t;
}

WorkIdSource AnchorWorksSource(const std::string& mainHost) {
  return {[mainHost](HarvestEnv& env) {
    const Text yyNumber = env.window.GetText(controls::kAnchorNumber);
    const Text pattern = WorksLinkPattern(mainHost);
    Text first = FetchPageText(ListingAddress(mainHost, yyNumber, 1), env.cancel);
    const int pageCount = PageCountOf(first);
    CollectCaptures(env.window, pattern, std::move(first));
    for (int p = 2; p <= pageCount; ++p) {
      if (env.cancel && env.cancel->load()) return;
      CollectCaptures(env.window, pattern,
                      FetchPageText(ListingAddress(mainHost, yyNumber, p), env.cancel));
    }
  }};
}

}  // namespace quorrin

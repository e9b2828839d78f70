#include "harvest/sources.h"

#include <climits>

#include "harvest/capture_collection.h"
#include "webtext/codepage.h"
#include "webtext/fetch.h"

namespace quorrin {
namespace {

// A source that cuts one section out of one page and collects its play links.
WorkIdSource SectionSource(std::string address, Text startMarker, Text endMarker) {
  return {[address = std::move(address), startMarker = std::move(startMarker),
           endMarker = std::move(endMarker)](HarvestEnv& env) {
    const Text page = FetchPageText(address, env.cancel);
    const Text section = TextBetween(page, startMarker, endMarker);
    CollectCaptures(env.window, PlayLinkPattern(), section);
  }};
}

const char* const kRankStart = "<div class=\"sq-ranklist-content\">\r";
const char* const kRankEnd = "<div class=\"sq-rank-tips\">\r";

}  // namespace

Text PlayLinkPattern() {
  return Utf8ToLocal("<a href *= *['#引号]/play/id_*(\\S+).html[#引号']");
}

WorkIdSource HomePageSource(const std::string& shenquHost) {
  return SectionSource("http://" + shenquHost + "/", "<div class=\"section-content\">\r",
                       "<div class=\"footer\">\r");
}

WorkIdSource DailyChartSource(const std::string& shenquHost) {
  return SectionSource("http://" + shenquHost + "/hot/daily.html", kRankStart, kRankEnd);
}

WorkIdSource MonthlyChartSource(const std::string& shenquHost) {
  return SectionSource("http://" + shenquHost + "/hot/monthly.html", kRankStart, kRankEnd);
}

std::string ListingAddress(const std::string& mainHost, const Text& yyNumber, int page) {
  return "http://" + mainHost + "/u/works/s?yyno=" + yyNumber + "&p=" + std::to_string(page);
}

int IntegerValue(const Text& text) {
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
  return IntegerValue(TextBetween(firstPage, "\"pages\":", ",\"data\":"));
}

Text WorksLinkPattern(const std::string& mainHost) {
  return "http:\\/\\/" + mainHost + "\\/s\\/*(\\S+)\\\"\\,\\\"be";
}

WorkIdSource AnchorWorksSource(const std::string& mainHost) {
  return {[mainHost](HarvestEnv& env) {
    const Text yyNumber = env.window.GetText(controls::kAnchorNumber);
    const Text pattern = WorksLinkPattern(mainHost);
    const Text first = FetchPageText(ListingAddress(mainHost, yyNumber, 1), env.cancel);
    const int pageCount = PageCountOf(first);
    CollectCaptures(env.window, pattern, first);
    for (int p = 2; p <= pageCount; ++p) {
      if (env.cancel && env.cancel->load()) return;
      CollectCaptures(env.window, pattern,
                      FetchPageText(ListingAddress(mainHost, yyNumber, p), env.cancel));
    }
  }};
}

}  // namespace quorrin

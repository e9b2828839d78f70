// The four work-ID sources: the shenqu front page, the daily and monthly
// charts, and every work of one anchor. Each fetches its page or pages and
// hands each text to CollectCaptures.
#pragma once

#include <atomic>
#include <functional>
#include <string>

#include "jobs/job_window.h"
#include "webtext/text.h"

namespace quorrin {

// What a source needs while it collects: the job's window and its cancel flag.
struct HarvestEnv {
  JobWindow& window;
  const std::atomic<bool>* cancel = nullptr;
};

struct WorkIdSource {
  std::function<void(HarvestEnv&)> CollectIds;
};

// "<a href *= *['#引号]/play/id_*(\S+).html[#引号']", in code page 936.
Text PlayLinkPattern();

WorkIdSource HomePageSource(const std::string& shenquHost);
WorkIdSource DailyChartSource(const std::string& shenquHost);
WorkIdSource MonthlyChartSource(const std::string& shenquHost);
WorkIdSource AnchorWorksSource(const std::string& mainHost);

// Address of page `page` (from 1) of an anchor's works listing.
Text ListingAddress(const std::string& mainHost, const Text& yyNumber, int page);
// The page count stated on page 1 of a listing; 0 when it states none.
int PageCountOf(const Text& firstPage);
// The pattern of a work link in a listing on `mainHost`.
Text WorksLinkPattern(const std::string& mainHost);
// The integer value of a text: leading blanks, an optional sign, digits.
int IntegerValue(const Text& text);

}  // namespace quorrin

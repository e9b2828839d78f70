// The terminal program's command line: one source, and what to do with the
// rows it gives.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "ui/hosts.h"
#include "webtext/text.h"

namespace quorrin::cli {

enum class Source { kHome, kDaily, kMonthly, kAnchor };

struct Options {
  Source source = Source::kHome;
  Utf8 anchorNumber;                                 // digits, for kAnchor
  std::optional<std::filesystem::path> downloadDir;  // --download DIR
  bool onlyNew = false;
  bool json = false;
  bool quiet = false;
  std::optional<std::string> site;  // --site HOST[:PORT]
};

struct ParsedCommand {
  enum Action { kRun, kHelp, kVersion, kBadUsage } action = kBadUsage;
  Options options;
  Utf8 error;  // for kBadUsage: what was wrong, one line
};

ParsedCommand ParseCommandLine(const std::vector<Utf8>& args);

// The hosts a run talks to: the build's, or both sites on the --site host.
SiteHosts HostsFor(const Options& options, const SiteHosts& compiled);

// The --help text; `compiled` names the build's sites.
Utf8 UsageText(const SiteHosts& compiled);

}  // namespace quorrin::cli

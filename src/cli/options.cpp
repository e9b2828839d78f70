#include "cli/options.h"

#include <algorithm>
#include <string_view>

#include "webtext/path_text.h"

namespace quorrin::cli {
namespace {

bool AllDigits(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A host name or address, optionally with ":port"; nothing that would change
// the meaning of "http://" + host + path.
bool ValidSite(std::string_view site) {
  const size_t colon = site.rfind(':');
  const std::string_view host = site.substr(0, colon);
  if (colon != std::string_view::npos && !AllDigits(site.substr(colon + 1))) return false;
  if (host.empty()) return false;
  return std::all_of(host.begin(), host.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '-';
  });
}

ParsedCommand Bad(std::string message) {
  ParsedCommand parsed;
  parsed.action = ParsedCommand::kBadUsage;
  parsed.error = Utf8(std::move(message));
  return parsed;
}

}  // namespace

ParsedCommand ParseCommandLine(const std::vector<Utf8>& args) {
  ParsedCommand parsed;
  Options& o = parsed.options;
  std::vector<std::string> operands;
  bool optionsEnded = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i].value;
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      operands.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    // "--name=value" or "--name value" for the options that take a value.
    const size_t equals = arg.find('=');
    const std::string name = arg.substr(0, equals);
    std::optional<std::string> value;
    if (equals != std::string::npos) value = arg.substr(equals + 1);
    const bool takesValue = name == "--download" || name == "--site";
    if (takesValue && !value) {
      if (i + 1 == args.size()) return Bad(name + " needs a value");
      value = args[++i].value;
    }
    if (!takesValue && value) return Bad(name + " takes no value");

    if (name == "--help" || name == "-h") {
      parsed.action = ParsedCommand::kHelp;
      return parsed;
    }
    if (name == "--version") {
      parsed.action = ParsedCommand::kVersion;
      return parsed;
    }
    if (name == "--download") {
      if (o.downloadDir) return Bad("--download given twice");
      if (value->empty()) return Bad("--download needs a folder");
      o.downloadDir = PathFromUtf8(Utf8(*value));
    } else if (name == "--site") {
      if (o.site) return Bad("--site given twice");
      if (!ValidSite(*value)) return Bad("--site needs HOST or HOST:PORT, not \"" + *value + "\"");
      o.site = *value;
    } else if (name == "--only-new") {
      o.onlyNew = true;
    } else if (name == "--json") {
      o.json = true;
    } else if (name == "--quiet" || name == "-q") {
      o.quiet = true;
    } else {
      return Bad("unknown option " + name);
    }
  }

  if (operands.empty()) return Bad("no source given");
  const std::string& source = operands[0];
  size_t expected = 1;
  if (source == "home") {
    o.source = Source::kHome;
  } else if (source == "daily") {
    o.source = Source::kDaily;
  } else if (source == "monthly") {
    o.source = Source::kMonthly;
  } else if (source == "anchor") {
    o.source = Source::kAnchor;
    if (operands.size() < 2) return Bad("anchor needs a YY number");
    if (!AllDigits(operands[1])) return Bad("a YY number has only digits: \"" + operands[1] + "\"");
    o.anchorNumber = Utf8(operands[1]);
    expected = 2;
  } else {
    return Bad("unknown source \"" + source + "\"");
  }
  if (operands.size() > expected) return Bad("unexpected \"" + operands[expected] + "\"");
  if (o.onlyNew && !o.downloadDir) return Bad("--only-new needs --download");
  parsed.action = ParsedCommand::kRun;
  return parsed;
}

SiteHosts HostsFor(const Options& options, const SiteHosts& compiled) {
  if (!options.site) return compiled;
  SiteHosts hosts = compiled;
  hosts.mainSite = *options.site;
  hosts.shenquSite = *options.site;
  return hosts;
}

Utf8 UsageText(const SiteHosts& compiled) {
  return Utf8(
      "Usage: quorrin-cli [OPTIONS] home|daily|monthly\n"
      "       quorrin-cli [OPTIONS] anchor YYNUMBER\n"
      "\n"
      "Collects the shenqu works of one source from the YY platform and prints one\n"
      "line per work as it resolves: number, title, play address, download address\n"
      "and work ID, separated by tabs (a tab or line break inside a field becomes a\n"
      "space). Works are asked for 300 ms apart, as the window program does.\n"
      "\n"
      "Sources:\n"
      "  home                the shenqu front page\n"
      "  daily               the daily chart\n"
      "  monthly             the monthly chart\n"
      "  anchor YYNUMBER     every work of the anchor with that YY number\n"
      "\n"
      "Options:\n"
      "  --download DIR      then download every row's video into DIR, in row order;\n"
      "                      DIR is created when missing (its last level only)\n"
      "  --only-new          with --download: skip the rows whose file is in DIR\n"
      "  --json              print one JSON object per row instead, with the keys\n"
      "                      number, title, playAddress, downloadAddress, workId\n"
      "  -q, --quiet         no download progress on standard error\n"
      "  --site HOST[:PORT]  take the platform's main and shenqu sites from HOST,\n"
      "                      a mirror, instead of " +
      compiled.mainSite + " and " + compiled.shenquSite +
      "\n"
      "  -h, --help          show this text\n"
      "  --version           show the version\n"
      "\n"
      "Messages and download progress go to standard error.\n"
      "\n"
      "Exit status:\n"
      "  0    every row harvested, every download saved or skipped\n"
      "  1    some row failed: a work without a download address, a download that\n"
      "       failed (the summary names them), or a listing page that gave nothing\n"
      "  2    bad usage\n"
      "  3    nothing could be harvested\n"
      "  130  stopped by Ctrl+C or SIGTERM; no part file is left behind\n");
}

}  // namespace quorrin::cli

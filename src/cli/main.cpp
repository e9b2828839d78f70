// quorrin-cli: the window program's harvests and downloads from a terminal,
// through the same commands, with the window layer printing what it is given.
#include <chrono>
#include <cstdio>
#include <memory>

#include "cli/console.h"
#include "cli/options.h"
#include "cli/terminal_output.h"
#include "cli/terminal_window.h"
#include "harvest/capture_collection.h"
#include "harvest/song_table.h"
#include "ui/commands.h"
#include "webtext/codepage.h"

namespace quorrin::cli {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitNothing = 3;
constexpr int kExitStopped = 130;  // 128 + SIGINT, as shells report it

constexpr auto kInterruptPoll = std::chrono::milliseconds(50);

// A terminal has no browser, folder chooser or clipboard; the program binds
// none of the commands that would use them, and a modal message is printed.
class TerminalDesktop : public ui::Desktop {
 public:
  explicit TerminalDesktop(TerminalOutput& output) : output_(output) {}
  void OpenAddress(const Utf8&) override {}
  std::filesystem::path ChooseFolder(const Utf8&) override { return {}; }
  void CopyToClipboard(const Utf8&) override {}
  void ShowModal(const Utf8& text, const Utf8&) override { output_.Message(text); }
  void OpenFolder(const std::filesystem::path&) override {}

 private:
  TerminalOutput& output_;
};

ui::Command HarvestCommand(Source source) {
  switch (source) {
    case Source::kHome:
      return ui::HarvestHomePage;
    case Source::kDaily:
      return ui::HarvestDailyChart;
    case Source::kMonthly:
      return ui::HarvestMonthlyChart;
    case Source::kAnchor:
      return ui::HarvestAnchorWorks;
  }
  return ui::HarvestHomePage;
}

// Runs `command` and waits for the job it started. An interrupt stops it the
// way the window's stop command does; false then.
bool RunJob(ui::App& app, ui::Command command) {
  command(app);
  while (!WaitForWorkers(app.jobs, kInterruptPoll)) {
    if (Interrupted()) break;
  }
  if (!Interrupted()) return true;
  ui::StopJobs(app);
  return false;
}

// Rows a harvest could not complete, one line each; empty when there are none.
Utf8 RowsWithoutAddress(WindowLayer& window) {
  Utf8 lines;
  for (int row = 0; row < window.RowCount(nullptr); ++row) {
    if (!window.CellText(row, kDownloadAddressColumn, nullptr).empty()) continue;
    if (!lines.empty()) lines += "\n"_u8;
    lines += LocalToUtf8(window.CellText(row, kNumberColumn, nullptr) + " "_t +
                         window.CellText(row, kTitleColumn, nullptr) + " "_t) +
             "没有下载地址"_u8;
  }
  return lines;
}

int HarvestAndDownload(const Options& options, ui::App& app, MemoryWindow& window,
                       TerminalOutput& output) {
  if (options.source == Source::kAnchor)
    window.SetText(controls::kAnchorNumber, Utf8ToLocal(options.anchorNumber), nullptr);
  if (!RunJob(app, HarvestCommand(options.source))) return kExitStopped;

  // Each failure caption was printed as it came.
  const Text caption = window.Caption(controls::kSongGroup);
  const bool pageFailed = !caption.empty() && caption != Utf8ToLocal(kSongCaption);
  if (window.RowCount(nullptr) == 0) {
    if (!pageFailed) output.Message("没有获取到神曲"_u8);
    return kExitNothing;
  }
  bool failed = pageFailed;
  if (!options.downloadDir) {
    const Utf8 missing = RowsWithoutAddress(window);
    if (!missing.empty()) output.Message(missing);
    return failed || !missing.empty() ? kExitFailed : kExitOk;
  }

  window.SetPath(controls::kDownloadFolder, *options.downloadDir, nullptr);
  if (!RunJob(app, options.onlyNew ? ui::DownloadOnlyNew : ui::DownloadAll)) {
    output.EndProgress();
    return kExitStopped;
  }
  output.EndProgress();
  // The summary, printed as the job's message, names the failed rows.
  if (!app.downloads->FailedIds().empty()) failed = true;
  return failed ? kExitFailed : kExitOk;
}

int Run(const Options& options, const SiteHosts& hosts) {
  CatchInterrupts();
  OutputSettings settings;
  settings.json = options.json;
  settings.progress = !options.quiet;
  settings.live = StandardErrorIsTerminal();
  if (const int columns = StandardErrorColumns(); columns > 0) settings.columns = columns;
  TerminalOutput output(stdout, stderr, settings);
  TerminalWindow window(output);
  TerminalDesktop desktop(output);
  std::unique_ptr<JobControl> jobs = CreateWorkerRegistry(window);
  SetIdle(*jobs);
  ui::App app{window, *jobs, hosts, desktop};
  const int status = HarvestAndDownload(options, app, window, output);
  ReleaseJobControl(*jobs);
  return status;
}

}  // namespace
}  // namespace quorrin::cli

int main(int argc, char** argv) {
  using namespace quorrin;
  using namespace quorrin::cli;
  PrepareConsole();
  const SiteHosts compiled = CompiledHosts();
  const ParsedCommand parsed = ParseCommandLine(CommandLineArguments(argc, argv));
  switch (parsed.action) {
    case ParsedCommand::kHelp: {
      const Utf8 usage = UsageText(compiled);
      std::fwrite(usage.data(), 1, usage.size(), stdout);
      return kExitOk;
    }
    case ParsedCommand::kVersion:
      std::printf("quorrin-cli %s\n", QUORRIN_VERSION);
      return kExitOk;
    case ParsedCommand::kBadUsage: {
      const Utf8 usage = UsageText(compiled);
      std::fprintf(stderr, "quorrin-cli: %s\n\n", parsed.error.value.c_str());
      std::fwrite(usage.data(), 1, usage.size(), stderr);
      return kExitUsage;
    }
    case ParsedCommand::kRun:
      break;
  }
  return Run(parsed.options, HostsFor(parsed.options, compiled));
}

#include "ui/commands.h"

#include <random>
#include <string>

#include "download/download_job.h"
#include "harvest/harvest_job.h"
#include "harvest/song_table.h"
#include "webtext/codepage.h"
#include "webtext/path_text.h"

namespace quorrin::ui {
namespace {

// An admitted harvest replaces the rows, so the failures of earlier
// downloads are forgotten.
void Harvest(App& app, WorkIdSource source) {
  std::shared_ptr<DownloadMemory> memory = app.downloads;
  StartJob(app.jobs, HarvestJob(std::move(source), app.hosts.shenquSite,
                                [memory] { memory->Forget(); }));
}

void CopyCell(App& app, int column) {
  const int row = app.window.SelectedRow(nullptr);
  app.desktop.CopyToClipboard(LocalToUtf8(app.window.CellText(row, column, nullptr)));
}

struct NamedCommand {
  std::string_view name;
  Command command;
};

constexpr NamedCommand kButtons[] = {
    {"按钮1", HarvestHomePage},      {"按钮2", TryLuck},
    {"按钮3", HarvestMonthlyChart},  {"按钮4", HarvestDailyChart},
    {"按钮5", HarvestAnchorWorks},   {"按钮6", OpenAnchorHome},
    {"按钮7", ChooseDownloadFolder}, {"按钮8", DownloadAll},
};

constexpr NamedCommand kMenuItems[] = {
    {"下载选中神曲", DownloadSelected},
    {"复制播放地址", CopyPlayAddress},
    {"复制下载地址", CopyDownloadAddress},
    {"停止当前进行操作", StopJobs},
    {"重新下载失败的神曲", RetryFailed},
    {"只下载新的神曲", DownloadOnlyNew},
    {"打开下载目录", OpenDownloadFolder},
};

Command Find(std::span<const NamedCommand> table, std::string_view name) {
  for (const NamedCommand& c : table)
    if (c.name == name) return c.command;
  return nullptr;
}

}  // namespace

void HarvestHomePage(App& app) {
  Harvest(app, HomePageSource(app.hosts.shenquSite));
}
void HarvestDailyChart(App& app) {
  Harvest(app, DailyChartSource(app.hosts.shenquSite));
}
void HarvestMonthlyChart(App& app) {
  Harvest(app, MonthlyChartSource(app.hosts.shenquSite));
}
void HarvestAnchorWorks(App& app) {
  Harvest(app, AnchorWorksSource(app.hosts.mainSite));
}

void DownloadAll(App& app) {
  EnsureDownloadFolder(app.window);
  StartJob(app.jobs, DownloadAllJob(DownloadChoice::kAll, app.downloads));
}

void DownloadSelected(App& app) {
  EnsureDownloadFolder(app.window);
  StartJob(app.jobs, DownloadSelectedJob(app.downloads));
}

void RetryFailed(App& app) {
  EnsureDownloadFolder(app.window);
  StartJob(app.jobs, DownloadAllJob(DownloadChoice::kFailedBefore, app.downloads));
}

void DownloadOnlyNew(App& app) {
  EnsureDownloadFolder(app.window);
  StartJob(app.jobs, DownloadAllJob(DownloadChoice::kOnlyNew, app.downloads));
}

void OpenDownloadFolder(App& app) {
  Desktop& desktop = app.desktop;
  StartJob(app.jobs, [&desktop](JobContext& job) {
    if (!BeginJob(job)) return;
    const std::filesystem::path folder = job.window().GetPath(controls::kDownloadFolder);
    std::error_code error;
    if (!folder.empty() && std::filesystem::is_directory(folder, error)) {
      if (job.Ended()) return;
      desktop.OpenFolder(folder);  // nothing is created: the folder must be there
    } else if (!job.window().ShowMessage(
                   Utf8ToLocal("下载目录不存在："_u8) + Utf8ToLocal(PathToUtf8(folder)),
                   Utf8ToLocal("提示"_u8))) {
      return;
    }
    SetIdle(job);
  });
}

void TryLuck(App& app) {
  app.desktop.ShowModal("开发中"_u8 + Utf8(std::string(29, '.')), "信息："_u8);
}

void OpenAnchorHome(App& app) {
  // The number goes into the address as typed, blanks included.
  const Text number = app.window.GetText(controls::kAnchorNumber, nullptr);
  app.desktop.OpenAddress("http://"_u8 + Utf8(app.hosts.mainSite) + "/u/"_u8 + LocalToUtf8(number));
}

void ChooseDownloadFolder(App& app) {
  // A cancel leaves the box empty; a chosen folder goes in unchanged.
  app.window.SetPath(controls::kDownloadFolder, app.desktop.ChooseFolder("请选择要移动的文件："_u8),
                     nullptr);
}

void CopyPlayAddress(App& app) {
  CopyCell(app, kPlayAddressColumn);
}

void CopyDownloadAddress(App& app) {
  CopyCell(app, kDownloadAddressColumn);
}

void StopJobs(App& app) {
  StopAllJobs(app.jobs);
}

Command ButtonCommand(std::string_view button) {
  return Find(kButtons, button);
}

Command MenuCommand(std::string_view item) {
  return Find(kMenuItems, item);
}

int RowForContextMenu(int rowUnderPointer, int selectedRow) {
  return rowUnderPointer >= 0 ? rowUnderPointer : selectedRow;
}

Colour TickColour(uint64_t tickMs, uint64_t& offset) {
  const uint64_t seed = tickMs + offset;
  offset += 100 + (seed & 0xFF);
  std::mt19937 random(static_cast<std::mt19937::result_type>(seed));
  std::uniform_int_distribution<int> component(0, 255);
  const int red = component(random);
  const int green = component(random);
  const int blue = component(random);
  return static_cast<Colour>(red + 256 * green + 65536 * blue);
}

void TimerTick(App& app, uint64_t tickMs) {
  app.window.SetTextColour(controls::kStatusLine, TickColour(tickMs, app.seedOffset), nullptr);
}

}  // namespace quorrin::ui

// The window's commands, one plain function each, over the window layer, the
// job control, the site hosts and the desktop. A front end binds its events
// to these and does nothing else with them.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include <memory>

#include "download/download_job.h"
#include "jobs/job_control.h"
#include "jobs/window_layer.h"
#include "ui/desktop.h"
#include "ui/hosts.h"

namespace quorrin::ui {

// What the commands act on; one per window, on the window thread.
struct App {
  WindowLayer& window;
  JobControl& jobs;
  SiteHosts hosts;
  Desktop& desktop;
  uint64_t seedOffset = 0;  // the timer's running offset
  // Each row's outcome in the last download job of this run.
  std::shared_ptr<DownloadMemory> downloads = std::make_shared<DownloadMemory>();
};

using Command = void (*)(App&);

void HarvestHomePage(App& app);       // 按钮1 获取首页
void HarvestDailyChart(App& app);     // 按钮4 获取日榜
void HarvestMonthlyChart(App& app);   // 按钮3 获取月榜
void HarvestAnchorWorks(App& app);    // 按钮5 获取神曲
void DownloadAll(App& app);           // 按钮8 下载全部
void TryLuck(App& app);               // 按钮2 试试手气
void OpenAnchorHome(App& app);        // 按钮6 打开主页
void ChooseDownloadFolder(App& app);  // 按钮7 选择目录
// The popup menu's items.
void DownloadSelected(App& app);     // 下载选中神曲
void CopyPlayAddress(App& app);      // 复制播放地址
void CopyDownloadAddress(App& app);  // 复制下载地址
void StopJobs(App& app);             // 停止当前进行操作
void RetryFailed(App& app);          // 重新下载失败的神曲
void DownloadOnlyNew(App& app);      // 只下载新的神曲
void OpenDownloadFolder(App& app);   // 打开下载目录

// The command of a push button, by its form name; null for none.
Command ButtonCommand(std::string_view button);
// The command of a popup menu item, by its text; null for none.
Command MenuCommand(std::string_view item);

// A right click over the song list: the row to select before the menu shows
// (the row under the pointer, or the selected one when there is none there).
int RowForContextMenu(int rowUnderPointer, int selectedRow);

// The timer's colour for a tick at `tickMs` milliseconds: a generator
// reseeded from the tick count plus the running offset, which moves on at
// every tick so that two ticks within one millisecond still differ.
Colour TickColour(uint64_t tickMs, uint64_t& offset);
// One tick of the timer: the status line takes a new colour.
void TimerTick(App& app, uint64_t tickMs);

}  // namespace quorrin::ui

// The window's commands, start-up steps and description, without any
// toolkit: against the in-memory window and a desktop that records.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>

#include "harvest/song_table.h"
#include "jobs/memory_window.h"
#include "support/local_text.h"
#include "support/temp_folder.h"
#include "support/test_server.h"
#include "ui/commands.h"
#include "ui/startup.h"
#include "ui/window_description.h"
#include "webtext/path_text.h"

namespace quorrin::ui {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using test::L;

// What the commands asked of the desktop, in order.
struct RecordingDesktop : Desktop {
  void OpenAddress(const Utf8& address) override { opened.push_back(address.value); }
  fs::path ChooseFolder(const Utf8& prompt) override {
    prompts.push_back(prompt.value);
    return chosen;
  }
  void CopyToClipboard(const Utf8& text) override { clipboard.push_back(text.value); }
  void ShowModal(const Utf8& text, const Utf8& title) override {
    modals.push_back(title.value + "|" + text.value);
  }
  void OpenFolder(const fs::path& folder) override {
    std::lock_guard<std::mutex> lock(mutex);  // comes from a job's worker
    folders.push_back(folder);
  }
  std::vector<std::string> opened, prompts, clipboard, modals;
  std::vector<fs::path> folders;
  std::mutex mutex;
  fs::path chosen;
};

struct Fixture {
  Fixture() : control(CreateWorkerRegistry(window)), app{window, *control, hosts, desktop} {
    SetIdle(*control);
  }
  ~Fixture() {
    StopAllJobs(*control);
    ReleaseJobControl(*control);
  }
  void AddRow(const char* play, const char* video) {
    const int row = window.RowCount(nullptr);
    window.AppendRow(nullptr);
    window.SetCell(row, kPlayAddressColumn, test::T(play), nullptr);
    window.SetCell(row, kDownloadAddressColumn, test::T(video), nullptr);
  }
  MemoryWindow window;
  std::unique_ptr<JobControl> control;
  SiteHosts hosts{"main.test", "shenqu.test", ""};
  RecordingDesktop desktop;
  App app;
};

TEST(Commands, CopiesTakeTheSelectedRowOrNothing) {
  Fixture f;
  f.AddRow("http://play/0", "http://video/0");
  f.AddRow("http://play/1", "");
  CopyPlayAddress(f.app);  // nothing selected: an empty text
  f.window.Select(0);
  CopyPlayAddress(f.app);
  CopyDownloadAddress(f.app);
  f.window.Select(1);
  CopyDownloadAddress(f.app);
  EXPECT_EQ(f.desktop.clipboard,
            (std::vector<std::string>{"", "http://play/0", "http://video/0", ""}));
}

TEST(Commands, OpenAnchorHomeUsesTheNumberAsTyped) {
  Fixture f;
  for (const char* number : {"12 34", "", "28581146"}) {
    f.window.SetText(controls::kAnchorNumber, test::T(number), nullptr);
    OpenAnchorHome(f.app);
  }
  EXPECT_EQ(f.desktop.opened,
            (std::vector<std::string>{"http://main.test/u/12 34", "http://main.test/u/",
                                      "http://main.test/u/28581146"}));
}

TEST(Commands, ChooseFolderPutsTheChoiceInTheBoxUnchanged) {
  Fixture f;
  f.window.SetPath(controls::kDownloadFolder, "/before", nullptr);
  f.desktop.chosen = PathFromUtf8("/home/u/Työpöytä/바탕 😀"_u8);
  ChooseDownloadFolder(f.app);
  EXPECT_EQ(f.window.GetPath(controls::kDownloadFolder, nullptr), f.desktop.chosen);
  f.desktop.chosen.clear();  // the user cancels
  ChooseDownloadFolder(f.app);
  EXPECT_TRUE(f.window.GetPath(controls::kDownloadFolder, nullptr).empty());
  EXPECT_EQ(f.desktop.prompts, (std::vector<std::string>(2, "请选择要移动的文件：")));
}

TEST(Commands, TryLuckAndStop) {
  Fixture f;
  TryLuck(f.app);
  EXPECT_EQ(f.desktop.modals, std::vector<std::string>{"信息：|开发中" + std::string(29, '.')});
  StopJobs(f.app);
  EXPECT_TRUE(f.control->flag.Idle());
  EXPECT_TRUE(f.window.Messages().empty());
}

TEST(Commands, EveryButtonAndMenuItemOfTheWindowHasItsCommand) {
  std::set<std::string_view> buttons;
  for (const ControlEntry& c : Controls()) {
    if (c.kind != ControlKind::kPushButton) continue;
    EXPECT_NE(ButtonCommand(c.name), nullptr) << c.name;
    buttons.insert(c.name);
  }
  EXPECT_EQ(buttons.size(), 8u);
  for (const MenuEntry& item : SongMenu())
    if (!item.text.empty()) {
      EXPECT_NE(MenuCommand(item.text), nullptr) << item.text;
    }
  EXPECT_EQ(ButtonCommand("按钮9"), nullptr);
  EXPECT_EQ(ButtonCommand("按钮8"), &DownloadAll);
  EXPECT_EQ(MenuCommand("停止当前进行操作"), &StopJobs);
}

TEST(Commands, AHarvestButtonFillsTheList) {
  test::TestServer server;
  server.ServeFolder(std::string(QUORRIN_FIXTURES) + "/site");
  Fixture f;
  f.app.hosts = {server.host(), server.host(), ""};
  HarvestMonthlyChart(f.app);
  ASSERT_TRUE(WaitForWorkers(*f.control, 20s));
  const auto rows = f.window.Rows();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0][kTitleColumn], L("沙漠骆驼"));
  EXPECT_EQ(server.RequestedTargets().front(), "/hot/monthly.html");
}

// A list of rows whose videos the local server serves, and a download folder.
struct DownloadFixture : Fixture {
  DownloadFixture() { window.SetPath(controls::kDownloadFolder, folder, nullptr); }
  void AddVideo(const std::string& title, const std::string& id) {
    const int row = window.RowCount(nullptr);
    window.AppendRow(nullptr);
    window.SetCell(row, kTitleColumn, test::T(title), nullptr);
    window.SetCell(row, kDownloadAddressColumn, server.Url("/v/" + id + ".mp4"), nullptr);
    window.SetCell(row, kWorkIdColumn, test::T(id), nullptr);
  }
  void Run(Command command) {
    const size_t before = window.Messages().size();
    command(app);
    ASSERT_TRUE(WaitForWorkers(*control, 20s));
    ASSERT_EQ(window.Messages().size(), before + 1);
  }
  std::string LastMessage() const {
    const auto m = window.Messages().back();
    return test::U(m.title) + "|" + test::U(m.text);
  }
  std::vector<std::string> Requested() {
    auto targets = server.RequestedTargets();
    server.ClearRequests();
    return targets;
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(folder / name, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  test::TestServer server;
  test::TempFolder temp{"quorrin-ui-"};
  const fs::path folder = temp.path;
};

TEST(RetryFailed, DownloadsExactlyTheRowsThatFailed) {
  DownloadFixture f;
  for (const char* id : {"1", "2", "3", "4"}) f.AddVideo(std::string("t") + id, id);
  f.server.Serve("/v/1.mp4", "one");
  f.server.Serve("/v/3.mp4", "three");
  f.Run(DownloadAll);
  EXPECT_EQ(f.LastMessage(),
            "下载结果|神曲下载完成：成功 2 首，失败 2 首\nt2 服务器返回错误（404）\n"
            "t4 服务器返回错误（404）");
  f.Requested();
  // The server is mended; only the two failed rows are fetched again.
  f.server.Serve("/v/2.mp4", "two");
  f.server.Serve("/v/4.mp4", "four");
  f.Run(RetryFailed);
  EXPECT_EQ(f.Requested(), (std::vector<std::string>{"/v/2.mp4", "/v/4.mp4"}));
  EXPECT_EQ(f.LastMessage(), "OK|所有神曲下载完成");
  EXPECT_EQ(f.Read("t2.mp4"), "two");
  EXPECT_EQ(f.Read("t4.mp4"), "four");
  // Nothing failed any more: the retry says so and fetches nothing.
  f.Run(RetryFailed);
  EXPECT_EQ(f.LastMessage(), "提示|没有需要重新下载的神曲");
  EXPECT_TRUE(f.Requested().empty());
  EXPECT_TRUE(f.control->flag.Idle());
}

TEST(RetryFailed, AHarvestForgetsTheFailures) {
  DownloadFixture f;
  f.server.ServeFolder(std::string(QUORRIN_FIXTURES) + "/site");
  f.app.hosts = {f.server.host(), f.server.host(), ""};
  f.AddVideo("gone", "9");
  f.Run(DownloadAll);  // fails: no such video
  ASSERT_EQ(f.app.downloads->FailedIds(), (std::set<Text>{"9"_t}));
  HarvestMonthlyChart(f.app);
  ASSERT_TRUE(WaitForWorkers(*f.control, 20s));
  EXPECT_TRUE(f.app.downloads->FailedIds().empty());
  f.Requested();
  f.Run(RetryFailed);
  EXPECT_EQ(f.LastMessage(), "提示|没有需要重新下载的神曲");
  EXPECT_TRUE(f.Requested().empty());
}

TEST(DownloadOnlyNew, SkipsWhatIsThereAfterAStopPartWay) {
  DownloadFixture f;
  for (const char* id : {"1", "2", "3"}) f.AddVideo(std::string("t") + id, id);
  f.server.Serve("/v/1.mp4", "one");
  test::Reply slow;
  slow.body = std::string(2'000'000, 'x');
  slow.rateBytesPerSecond = 100'000;
  f.server.Serve("/v/2.mp4", slow);
  DownloadAll(f.app);
  ASSERT_TRUE(f.window.WaitFor([&] { return f.server.RequestedTargets().size() == 2; }));
  StopJobs(f.app);
  ASSERT_TRUE(WaitForWorkers(*f.control, 5s));
  ASSERT_EQ(f.Read("t1.mp4"), "one");
  const auto saved = fs::last_write_time(f.folder / "t1.mp4");
  f.Requested();
  std::ofstream(f.folder / "t3.mp4") << "";  // an empty file counts as missing
  f.server.Serve("/v/2.mp4", "two");
  f.server.Serve("/v/3.mp4", "three");
  f.Run(DownloadOnlyNew);
  EXPECT_EQ(f.Requested(), (std::vector<std::string>{"/v/2.mp4", "/v/3.mp4"}));
  EXPECT_EQ(f.LastMessage(), "下载结果|神曲下载完成：成功 2 首，跳过 1 首，失败 0 首");
  EXPECT_EQ(fs::last_write_time(f.folder / "t1.mp4"), saved);
  EXPECT_EQ(f.Read("t1.mp4"), "one");
  EXPECT_EQ(f.Read("t2.mp4"), "two");
  EXPECT_EQ(f.Read("t3.mp4"), "three");
  const auto outcomes = f.app.downloads->Outcomes();
  EXPECT_EQ(outcomes.at("1"_t).kind, RowOutcome::kSkipped);
  EXPECT_EQ(outcomes.at("2"_t).kind, RowOutcome::kSaved);
}

TEST(DownloadOnlyNew, TwoRowsOfOneTitleKeepTheirOwnNames) {
  DownloadFixture f;
  f.AddVideo("same", "1");
  f.AddVideo("same", "2");
  f.server.Serve("/v/1.mp4", "first");
  f.server.Serve("/v/2.mp4", "second");
  f.Run(DownloadAll);
  f.Requested();
  f.Run(DownloadOnlyNew);
  EXPECT_TRUE(f.Requested().empty());
  EXPECT_EQ(f.LastMessage(), "下载结果|神曲下载完成：成功 0 首，跳过 2 首，失败 0 首");
  EXPECT_EQ(f.Read("same (2).mp4"), "second");
}

TEST(OpenDownloadFolder, OpensAnExistingFolderAndTellsAMissingOne) {
  DownloadFixture f;
  OpenDownloadFolder(f.app);
  ASSERT_TRUE(WaitForWorkers(*f.control, 5s));
  EXPECT_EQ(f.desktop.folders, std::vector<fs::path>{f.folder});
  EXPECT_TRUE(f.window.Messages().empty());
  const fs::path missing = f.folder / "missing";
  f.window.SetPath(controls::kDownloadFolder, missing, nullptr);
  f.Run(OpenDownloadFolder);
  EXPECT_EQ(f.LastMessage(), "提示|下载目录不存在：" + missing.string());
  EXPECT_FALSE(fs::exists(missing));  // nothing is created
  EXPECT_EQ(f.desktop.folders.size(), 1u);
}

TEST(NewMenuItems, AreRefusedWhileAJobRuns) {
  DownloadFixture f;
  test::Reply stall;
  stall.stall = true;
  f.server.Serve("/hot/daily.html", stall);
  f.app.hosts = {f.server.host(), f.server.host(), ""};
  HarvestDailyChart(f.app);
  ASSERT_TRUE(f.window.WaitFor([&] { return !f.server.Requests().empty(); }));
  for (Command command : {RetryFailed, DownloadOnlyNew, OpenDownloadFolder}) {
    const size_t before = f.window.Messages().size();
    command(f.app);
    ASSERT_TRUE(f.window.WaitFor([&] { return f.window.Messages().size() == before + 1; }));
    EXPECT_EQ(f.LastMessage(), "错误|有其他线程正在运行，请稍后");
  }
  EXPECT_TRUE(f.desktop.folders.empty());
  StopJobs(f.app);
}

TEST(ContextMenu, RightClickPicksTheRowUnderThePointer) {
  EXPECT_EQ(RowForContextMenu(3, 1), 3);
  EXPECT_EQ(RowForContextMenu(-1, 1), 1);
  EXPECT_EQ(RowForContextMenu(-1, -1), -1);
}

TEST(Timer, TwoTicksInOneMillisecondGiveDifferentColours) {
  uint64_t offset = 0;
  const Colour first = TickColour(5000, offset);
  const uint64_t afterFirst = offset;
  const Colour second = TickColour(5000, offset);
  EXPECT_GT(afterFirst, 0u);
  EXPECT_GT(offset, afterFirst);
  EXPECT_NE(first, second);
  EXPECT_LE(first, 0xFFFFFFu);
  // The same tick and offset always give the same colour.
  uint64_t again = 0;
  EXPECT_EQ(TickColour(5000, again), first);

  Fixture f;
  f.window.SetText(controls::kStatusLine, "kept"_t, nullptr);
  TimerTick(f.app, 1234);
  EXPECT_EQ(f.window.TextOf(controls::kStatusLine), "kept"_t);
  EXPECT_EQ(f.window.Calls().back().rfind("SetTextColour 透明标签1: ", 0), 0u);
}

TEST(Startup, CreatedSetsIdleAndAnUpdateClosesAfterTellingTheUser) {
  test::TestServer server;
  Fixture f;
  f.control->flag.SetReleased();  // busy, as before the window exists
  int skin = 0;
  bool running = false;
  f.app.hosts.update = "";
  EXPECT_TRUE(WindowCreated(
      f.app, [&](int s) { skin = s; }, [&] { running = true; }));
  EXPECT_EQ(skin, 6);
  EXPECT_TRUE(running);
  EXPECT_TRUE(f.control->flag.Idle());
  EXPECT_TRUE(f.desktop.modals.empty());

  server.Serve("/yy.txt", "2");
  f.app.hosts.update = server.host();
  EXPECT_FALSE(WindowCreated(f.app, nullptr, nullptr));
  EXPECT_EQ(f.desktop.modals, std::vector<std::string>{"更新|有新的更新"});
  EXPECT_EQ(f.desktop.opened, std::vector<std::string>{"http://" + server.host() + "/yy.html"});
}

TEST(Startup, ClosingEndsTheRunningJob) {
  test::TestServer server;
  test::Reply stall;
  stall.stall = true;
  server.Serve("/hot/daily.html", stall);
  Fixture f;
  f.app.hosts = {server.host(), server.host(), ""};
  HarvestDailyChart(f.app);
  ASSERT_TRUE(f.window.WaitFor([&] { return !server.Requests().empty(); }));
  WindowClosing(f.app);
  ASSERT_TRUE(WaitForWorkers(*f.control, 2s));
  EXPECT_FALSE(f.control->flag.Idle());  // closing leaves the flag as it was
}

TEST(Startup, AboutPageOrNothing) {
  test::TestServer server;
  server.Serve("/y.html", "<p>关于</p>");
  EXPECT_EQ(FetchAboutPage({"", "", server.host()}, nullptr), "<p>关于</p>"_u8);
  EXPECT_TRUE(FetchAboutPage({"", "", ""}, nullptr).empty());
  server.Serve("/y.html", "gone", 404);
  EXPECT_TRUE(FetchAboutPage({"", "", server.host()}, nullptr).empty());
}

TEST(UpdateCheck, VerdictTable) {
  test::TestServer server;
  struct Case {
    const char* name;
    std::function<std::string()> host;
    UpdateVerdict verdict;
  };
  auto serving = [&](std::string body, int status = 200) {
    return [&server, body, status] {
      server.Serve("/yy.txt", body, status);
      return server.host();
    };
  };
  const Case cases[] = {
      {"1", serving("1"), UpdateVerdict::kRun},
      {"1 CRLF", serving("1\r\n"), UpdateVerdict::kUpdate},
      {"blank 1", serving(" 1"), UpdateVerdict::kUpdate},
      {"2", serving("2"), UpdateVerdict::kUpdate},
      {"0", serving("0"), UpdateVerdict::kUpdate},
      {"empty", serving(""), UpdateVerdict::kUpdate},
      {"1 NUL", serving(std::string("1\0xyz", 5)), UpdateVerdict::kRun},
      {"404", serving("1", 404), UpdateVerdict::kRun},
      {"500 says 2", serving("2", 500), UpdateVerdict::kRun},
      {"no host", [] { return std::string(); }, UpdateVerdict::kRun},
      {"refused", [] { return "127.0.0.1:" + std::to_string(test::RefusedPort()); },
       UpdateVerdict::kRun},
      {"unresolvable", [] { return std::string("update.does-not-resolve.invalid"); },
       UpdateVerdict::kRun},
  };
  for (const auto& c : cases) EXPECT_EQ(CheckUpdateFlag(c.host()), c.verdict) << c.name;

  test::Reply stall;
  stall.stall = true;
  server.Serve("/yy.txt", stall);
  const auto begin = std::chrono::steady_clock::now();
  EXPECT_EQ(CheckUpdateFlag(server.host(), 300ms), UpdateVerdict::kRun);
  EXPECT_LT(std::chrono::steady_clock::now() - begin, 2s);
}

TEST(Description, TheWindowsValues) {
  EXPECT_EQ(kWindowTitle, "[Zandrel]Quorrin V1.0");
  EXPECT_EQ(kClientWidth, 505);
  EXPECT_EQ(kClientHeight, 633);
  EXPECT_EQ(kTimerIntervalMs, 1000);
  const ControlEntry* ids = FindControl("编辑框2");
  ASSERT_NE(ids, nullptr);
  EXPECT_GE(ids->x, kClientWidth);  // the ID buffer lies outside the client area
  std::set<std::string_view> names;
  for (const ControlEntry& c : Controls()) {
    EXPECT_TRUE(names.insert(c.name).second) << "twice: " << c.name;
    // A parent is made before its children.
    if (!c.parent.empty()) {
      EXPECT_TRUE(names.count(c.parent)) << c.name;
    }
  }
  EXPECT_EQ(SongColumns().size(), 5u);
  EXPECT_EQ(SongMenu()[0].text, "下载选中神曲");
}

}  // namespace
}  // namespace quorrin::ui

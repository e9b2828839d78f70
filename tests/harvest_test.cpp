#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "harvest/capture_collection.h"
#include "harvest/harvest_job.h"
#include "harvest/song_table.h"
#include "harvest/sources.h"
#include "support/harvest_fixture.h"
#include "support/local_text.h"

namespace quorrin {
namespace {

using namespace std::chrono_literals;
using test::L;
using test::SiteFixture;
using Row = std::array<Text, 5>;

// A source that puts fixed text into the ID buffer.
WorkIdSource GivenIds(const Text& buffer) {
  return {[buffer](HarvestEnv& env) { IdBuffer(env.window).Append(buffer); }};
}

std::vector<Text> Column(const std::vector<Row>& rows, int column) {
  std::vector<Text> out;
  for (const auto& r : rows) out.push_back(r[column]);
  return out;
}

std::vector<std::string> PlayRequests(const test::TestServer& server) {
  std::vector<std::string> out;
  for (const auto& t : server.RequestedTargets()) {
    if (t.rfind("/play/", 0) == 0) out.push_back(t);
  }
  return out;
}

TEST(IdBuffer, Splitting) {
  struct Case {
    std::string buffer;
    std::vector<std::string> ids;
  };
  const Case cases[] = {
      {"", {}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\r\nb", {"a", "b"}},
      {"a\r\n\r\nb\r\n", {"a", "", "b"}},
      {"\r\n", {""}},
      {"a\nb\r\n", {"a\nb"}},
      {"a\r", {"a\r"}},
  };
  for (const auto& c : cases) {
    std::vector<Text> ids;
    for (const auto& id : c.ids) ids.push_back(test::T(id));
    EXPECT_EQ(SplitIdBuffer(test::T(c.buffer)), ids) << c.buffer;
  }
}

TEST(HarvestJob, BuildsOneRowPerIdInCellOrder) {
  for (const char* buffer : {"1001\r\n2001\r\n", "1001\r\n2001"}) {
    SiteFixture f;
    f.RunToEnd(HarvestJob(GivenIds(test::T(buffer)), f.server.host()));
    const auto rows = f.window.Rows();
    ASSERT_EQ(rows.size(), 2u) << buffer;
    const Text host(f.server.host());
    EXPECT_EQ(rows[0], (Row{"1"_t, L("小幸运"), "http://"_t + host + "/play/id_1001.html"_t,
                            "http://v.fixture.test/shenqu/1001.mp4"_t, "1001"_t}));
    EXPECT_EQ(rows[1], (Row{"2"_t, L("光年之外"), "http://"_t + host + "/play/id_2001.html"_t,
                            "http://v.fixture.test/shenqu/2001.mp4"_t, "2001"_t}));
    EXPECT_TRUE(f.control->flag.Idle());
    // The cells of a row appear in the order number, ID, play address, title, video.
    std::vector<std::string> cells;
    for (const auto& c : f.window.Calls()) {
      if (c.rfind("SetCell 0,", 0) == 0) cells.push_back(c.substr(8, 3));
    }
    EXPECT_EQ(cells, (std::vector<std::string>{"0,0", "0,4", "0,2", "0,1", "0,3"}));
  }
}

TEST(HarvestJob, EmptyBufferGivesNoRowsAndAnIdleFlag) {
  SiteFixture f;
  f.window.AppendRow(nullptr);  // rows of an earlier harvest
  f.RunToEnd(HarvestJob(GivenIds(""_t), f.server.host()));
  EXPECT_TRUE(f.window.Rows().empty());
  EXPECT_TRUE(f.control->flag.Idle());
  EXPECT_TRUE(PlayRequests(f.server).empty());
}

TEST(HarvestJob, SecondHarvestClearsAndNumbersAgain) {
  SiteFixture f;
  f.RunToEnd(HarvestJob(GivenIds("1001\r\n1002\r\n1003\r\n"_t), f.server.host()));
  f.RunToEnd(HarvestJob(GivenIds("2001\r\n"_t), f.server.host()));
  const auto rows = f.window.Rows();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][0], "1"_t);
  EXPECT_EQ(rows[0][4], "2001"_t);
  EXPECT_EQ(f.window.TextOf(controls::kIdBuffer), "2001\r\n"_t);
}

TEST(HarvestJob, PlayPageFailuresLeaveTheirCellsEmpty) {
  SiteFixture f;
  // 7777 has no play page (404 body), 4001 lacks "-在线播放-", 4002 lacks the video.
  f.RunToEnd(HarvestJob(GivenIds("7777\r\n4001\r\n4002\r\n1002\r\n"_t), f.server.host()));
  const auto rows = f.window.Rows();
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0], (Row{"1"_t, ""_t, f.server.Url("/play/id_7777.html"), ""_t, "7777"_t}));
  EXPECT_EQ(rows[1][1], ""_t);
  EXPECT_EQ(rows[1][3], "http://v.fixture.test/shenqu/4001.mp4"_t);
  EXPECT_EQ(rows[2][1], L("无视频"));
  EXPECT_EQ(rows[2][3], ""_t);
  EXPECT_EQ(rows[3][1], L("演员"));
}

TEST(HarvestJob, UnreachableSiteStillBuildsRows) {
  SiteFixture f;
  const std::string dead = "127.0.0.1:" + std::to_string(test::RefusedPort());
  f.RunToEnd(HarvestJob(GivenIds("1\r\n2\r\n"_t), dead));
  const auto rows = f.window.Rows();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1],
            (Row{"2"_t, ""_t, "http://"_t + Text(dead) + "/play/id_2.html"_t, ""_t, "2"_t}));
}

TEST(HarvestJob, RowsArePacedAtTheServer) {
  SiteFixture f;
  f.RunToEnd(HarvestJob(GivenIds("1001\r\n1002\r\n1003\r\n"_t), f.server.host()));
  std::vector<std::chrono::steady_clock::time_point> times;
  for (const auto& r : f.server.Requests()) {
    if (r.path.rfind("/play/", 0) == 0) times.push_back(r.at);
  }
  ASSERT_EQ(times.size(), 3u);
  for (size_t i = 1; i < times.size(); ++i) EXPECT_GE(times[i] - times[i - 1], RowPacing);
}

TEST(Sources, EachSourceEndToEnd) {
  struct Case {
    const char* name;
    WorkIdSource (*make)(const std::string&);
    std::vector<std::string> ids;
    std::vector<std::string> titles;
  };
  const Case cases[] = {
      {"home",
       HomePageSource,
       {"1001", "1002", "1003", "1001"},
       {"小幸运", "演员", "告白气球", "小幸运"}},
      {"daily", DailyChartSource, {"2001", "2002", "2003"}, {"光年之外", "说散就散", "体面"}},
      {"monthly", MonthlyChartSource, {"3001", "3002"}, {"沙漠骆驼", "学猫叫"}},
  };
  for (const auto& c : cases) {
    SiteFixture f;
    f.RunToEnd(HarvestJob(c.make(f.server.host()), f.server.host()));
    const auto rows = f.window.Rows();
    std::vector<Text> ids;
    for (const auto& id : c.ids) ids.push_back(test::T(id));
    EXPECT_EQ(Column(rows, kWorkIdColumn), ids) << c.name;
    std::vector<Text> titles;
    for (const auto& t : c.titles) titles.push_back(L(t));
    EXPECT_EQ(Column(rows, kTitleColumn), titles) << c.name;
    EXPECT_EQ(f.window.Caption(controls::kSongGroup), L("神曲")) << c.name;
    // One page fetch, then one play page per row; header and footer links never.
    const auto targets = f.server.RequestedTargets();
    ASSERT_FALSE(targets.empty());
    EXPECT_EQ(targets.size(), 1 + c.ids.size()) << c.name;
    for (const auto& t : targets) EXPECT_EQ(t.find("/play/id_900"), std::string::npos) << t;
  }
}

TEST(Sources, PlayLinkPatternTable) {
  struct Case {
    std::string link;
    std::string id;  // empty: not collected
  };
  const Case cases[] = {
      {"<a href=\"/play/id_11.html\">", "11"},
      {"<a href='/play/id_12.html'>", "12"},
      {"<A HREF=\"/PLAY/ID_13.HTML\">", "13"},
      {"<a href = \"/play/id_14.html\">", "14"},
      {"<a href  =\"/play/id_15.html\">", "15"},
      {"<a href=\"/play/id16.html\">", "16"},
      {"<a href=\"/play/id__17.html\">", "17"},
      {"<a href=\"http://other/play/id_18.html\">", ""},
      {"<a class=\"x\" href=\"/play/id_19.html\">", ""},
      {"<a  href=\"/play/id_20.html\">", ""},
      {"<a href=\"/play/id_21.htm\">", ""},
      {"<a href=\"/play/id_22.html\" title=\"x.html\"", "22"},
      {"<a href=\"/play/id_23.html\"title=\"a.html\"", "23.html\"title=\"a"},
  };
  for (const auto& c : cases) {
    SiteFixture f;
    f.server.Serve("/hot/daily.html", "<html>\r\n<div class=\"sq-ranklist-content\">\r\n" + c.link +
                                          "\r\n<div class=\"sq-rank-tips\">\r\n</html>\r\n");
    f.RunToEnd(HarvestJob(DailyChartSource(f.server.host()), f.server.host()));
    const auto ids = Column(f.window.Rows(), kWorkIdColumn);
    if (c.id.empty()) {
      EXPECT_TRUE(ids.empty()) << c.link;
      EXPECT_EQ(f.window.Caption(controls::kSongGroup), L("神曲（匹配内容数据失败......）"));
    } else {
      EXPECT_EQ(ids, std::vector<Text>{test::T(c.id)}) << c.link;
    }
  }
}

TEST(Sources, MissingSectionGivesNoRowsAndTheFailureCaption) {
  struct Case {
    const char* why;
    std::string page;
  };
  std::string lfOnly = test::ReadFixture("site/hot/daily.html");
  lfOnly.erase(std::remove(lfOnly.begin(), lfOnly.end(), '\r'), lfOnly.end());
  const Case cases[] = {
      {"LF-only line ends", lfOnly},
      {"no section", "<html><a href=\"/play/id_1.html\"></a></html>"},
      {"empty section", "<div class=\"sq-ranklist-content\">\r\n<div class=\"sq-rank-tips\">\r\n"},
  };
  for (const auto& c : cases) {
    SiteFixture f;
    f.server.Serve("/hot/daily.html", c.page);
    f.RunToEnd(HarvestJob(DailyChartSource(f.server.host()), f.server.host()));
    EXPECT_TRUE(f.window.Rows().empty()) << c.why;
    EXPECT_EQ(f.window.Caption(controls::kSongGroup), L("神曲（匹配内容数据失败......）")) << c.why;
    EXPECT_TRUE(PlayRequests(f.server).empty());
  }
  SiteFixture down;
  const std::string dead = "127.0.0.1:" + std::to_string(test::RefusedPort());
  down.RunToEnd(HarvestJob(MonthlyChartSource(dead), dead));
  EXPECT_EQ(down.window.Caption(controls::kSongGroup), L("神曲（匹配内容数据失败......）"));
}

TEST(Sources, SuccessfulHarvestClearsAnEarlierFailureCaption) {
  SiteFixture f;
  f.server.Serve("/hot/monthly.html", "<html>nothing here</html>");
  f.RunToEnd(HarvestJob(MonthlyChartSource(f.server.host()), f.server.host()));
  ASSERT_EQ(f.window.Caption(controls::kSongGroup), L("神曲（匹配内容数据失败......）"));
  f.RunToEnd(HarvestJob(DailyChartSource(f.server.host()), f.server.host()));
  EXPECT_EQ(f.window.Rows().size(), 3u);
  EXPECT_EQ(f.window.Caption(controls::kSongGroup), L("神曲"));
}

TEST(CollectCaptures, AppendsEveryCaptureOrSaysWhyNot) {
  MemoryWindow window;
  JobWindow w(window, nullptr);
  CollectCaptures(w, "id_(\\d+)"_t, "id_1 id_2 id_1"_t);
  EXPECT_EQ(window.TextOf(controls::kIdBuffer), "1\r\n2\r\n1\r\n"_t);
  EXPECT_EQ(window.Caption(controls::kSongGroup), ""_t);
  CollectCaptures(w, "("_t, "id_1"_t);
  EXPECT_EQ(window.Caption(controls::kSongGroup), L("神曲（获取内容失败......）"));
  CollectCaptures(w, "id_(\\d+)"_t, ""_t);
  EXPECT_EQ(window.Caption(controls::kSongGroup), L("神曲（匹配内容数据失败......）"));
  CollectCaptures(w, "id_(\\d*)"_t, "id_ x"_t);  // an empty capture is appended unchanged
  EXPECT_EQ(window.TextOf(controls::kIdBuffer), "1\r\n2\r\n1\r\n\r\n"_t);
  EXPECT_EQ(window.Caption(controls::kSongGroup), L("神曲（匹配内容数据失败......）"));
}

TEST(AnchorWorks, PageCountTable) {
  struct Case {
    std::string page;
    int count;
  };
  const Case cases[] = {
      {"{\"pages\":3,\"data\":[]}", 3},
      {"{\"pages\":  12,\"data\":[]}", 12},
      {"{\"pages\":+4,\"data\":[]}", 4},
      {"{\"pages\":-2,\"data\":[]}", -2},
      {"{\"pages\":7x,\"data\":[]}", 7},
      {"{\"pages\":x7,\"data\":[]}", 0},
      {"{\"pages\":,\"data\":[]}", 0},
      {"{\"pages\":3}", 0},
      {"{\"count\":3,\"data\":[]}", 0},
      {"", 0},
      {"{\"pages\":99999999999,\"data\":[]}", 2147483647},
  };
  for (const auto& c : cases) EXPECT_EQ(PageCountOf(test::T(c.page)), c.count) << c.page;
}

TEST(AnchorWorks, ReadsEveryListingPageInOrder) {
  SiteFixture f;
  f.ServeListing("12345678");
  f.window.SetText(controls::kAnchorNumber, "12345678"_t, nullptr);
  f.RunToEnd(HarvestJob(AnchorWorksSource(f.server.host()), f.server.host()));
  EXPECT_EQ(Column(f.window.Rows(), kWorkIdColumn),
            (std::vector<Text>{"5001"_t, "5002"_t, "5003"_t, "5004"_t, "5005"_t}));
  EXPECT_EQ(f.window.Rows()[2][kTitleColumn], L("野狼disco"));
  auto targets = f.server.RequestedTargets();
  targets.resize(4);
  EXPECT_EQ(targets, (std::vector<std::string>{
                         "/u/works/s?yyno=12345678&p=1", "/u/works/s?yyno=12345678&p=2",
                         "/u/works/s?yyno=12345678&p=3", "/play/id_5001.html"}));
}

TEST(AnchorWorks, OnePageWhenTheCountIsZeroOrOne) {
  for (const char* pages : {"0", "1", "-3", "none"}) {
    SiteFixture f;
    f.window.SetText(controls::kAnchorNumber, "42"_t, nullptr);
    f.server.Serve("/u/works/s?yyno=42&p=1", std::string("{\"pages\":") + pages +
                                                 ",\"data\":[\r\n{\"u\":\"http://" +
                                                 f.server.host() + "/s/5001\",\"be\":1}\r\n]}");
    f.RunToEnd(HarvestJob(AnchorWorksSource(f.server.host()), f.server.host()));
    const auto targets = f.server.RequestedTargets();
    EXPECT_EQ(std::count_if(targets.begin(), targets.end(),
                            [](const std::string& t) { return t.rfind("/u/", 0) == 0; }),
              1)
        << pages;
    EXPECT_EQ(f.window.Rows().size(), 1u);
  }
}

TEST(AnchorWorks, EntriesWithoutWhiteSpaceAreOneMatch) {
  SiteFixture f;
  const std::string h = f.server.host();
  f.window.SetText(controls::kAnchorNumber, "7"_t, nullptr);
  f.server.Serve("/u/works/s?yyno=7&p=1", "{\"pages\":1,\"data\":[{\"u\":\"http://" + h +
                                              "/s/1\",\"be\":1},{\"u\":\"http://" + h +
                                              "/s/2\",\"be\":2}]}\r\n{\"u\":\"http:\\/\\/" + h +
                                              "\\/s\\/3\",\"be\":3}");
  f.RunToEnd(HarvestJob(AnchorWorksSource(h), h));
  EXPECT_EQ(Column(f.window.Rows(), kWorkIdColumn),
            (std::vector<Text>{"1\",\"be\":1},{\"u\":\"http://"_t + Text(h) + "/s/2"_t}));
}

TEST(AnchorWorks, FailedLaterPageKeepsItsCaptionOverTheOtherRows) {
  SiteFixture f;
  f.ServeListing("9");
  f.server.Serve("/u/works/s?yyno=9&p=2", "", 500);
  f.window.SetText(controls::kAnchorNumber, "9"_t, nullptr);
  f.RunToEnd(HarvestJob(AnchorWorksSource(f.server.host()), f.server.host()));
  EXPECT_EQ(Column(f.window.Rows(), kWorkIdColumn),
            (std::vector<Text>{"5001"_t, "5002"_t, "5004"_t, "5005"_t}));
  EXPECT_EQ(f.window.Caption(controls::kSongGroup), L("神曲（匹配内容数据失败......）"));
}

TEST(HarvestStop, DuringCollectingAndDuringRowBuilding) {
  for (bool duringRows : {false, true}) {
    SiteFixture f;
    if (!duringRows) {
      test::Reply stall;
      stall.stall = true;
      f.server.Serve("/hot/daily.html", stall);
    }
    StartJob(*f.control, HarvestJob(DailyChartSource(f.server.host()), f.server.host()));
    if (duringRows) {
      ASSERT_TRUE(f.window.WaitFor([&] { return f.window.Rows().size() == 2; }));
    } else {
      ASSERT_TRUE(f.window.WaitFor([&] { return !f.server.Requests().empty(); }));
    }
    StopAllJobs(*f.control);
    const size_t calls = f.window.CallCount();
    EXPECT_TRUE(f.control->flag.Idle());
    ASSERT_TRUE(WaitForWorkers(*f.control, 2s));
    EXPECT_EQ(f.window.CallCount(), calls);
    EXPECT_EQ(f.window.Rows().size(), duringRows ? 2u : 0u);
    // A harvest started right after is admitted and fills the list.
    f.server.Serve("/hot/daily.html", test::ReadFixture("site/hot/daily.html"));
    f.RunToEnd(HarvestJob(DailyChartSource(f.server.host()), f.server.host()));
    EXPECT_EQ(f.window.Rows().size(), 3u);
    EXPECT_TRUE(f.window.Messages().empty());
  }
}

TEST(HarvestBusy, RefusedWhileAnotherJobRuns) {
  SiteFixture f(/*autoClose=*/false);
  f.window.AppendRow(nullptr);
  f.window.SetCell(0, 1, "kept"_t, nullptr);
  std::atomic<bool> release{false};
  StartJob(*f.control, [&](JobContext& job) {
    if (!BeginJob(job)) return;
    job.token().WaitUntil([&] { return release.load(); });
    SetIdle(job);
  });
  ASSERT_TRUE(f.window.WaitFor([&] { return !f.control->flag.Idle(); }));
  StartJob(*f.control, HarvestJob(HomePageSource(f.server.host()), f.server.host()));
  ASSERT_TRUE(f.window.WaitFor([&] { return f.window.OpenMessages().size() == 1; }));
  EXPECT_EQ(f.window.OpenMessages()[0].text, L("有其他线程正在运行，请稍后"));
  f.window.CloseByUser(f.window.OpenMessages()[0].id);
  release = true;
  f.control->registry.front().token->Notify();
  ASSERT_TRUE(WaitForWorkers(*f.control, 5s));
  EXPECT_EQ(f.window.Rows().size(), 1u);
  EXPECT_EQ(f.window.Rows()[0][1], "kept"_t);
  EXPECT_TRUE(f.server.Requests().empty());
}

}  // namespace
}  // namespace quorrin

// The terminal program, run as a user runs it, against the fixture site on a
// local server that --site points it at.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "support/child_process.h"
#include "support/harvest_fixture.h"
#include "support/temp_folder.h"
#include "support/test_server.h"
#include "webtext/path_text.h"

namespace quorrin {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::ChildOptions;
using test::ChildProcess;
using test::ChildResult;
using test::Reply;
using test::RunChild;

const std::string kCli = QUORRIN_CLI;

struct TempFolder : test::TempFolder {
  TempFolder() : test::TempFolder("quorrin-cli-") {}
};

// Every entry of a folder, hidden ones included, by name; empty when it is not there.
std::vector<std::string> Names(const fs::path& folder) {
  std::vector<std::string> out;
  std::error_code error;
  for (const auto& e : fs::directory_iterator(folder, error))
    out.push_back(PathToUtf8(e.path().filename()).value);
  std::sort(out.begin(), out.end());
  return out;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

fs::path In(const fs::path& folder, const std::string& utf8Name) {
  return folder / PathFromUtf8(Utf8(utf8Name));
}

std::string Video(int seed, size_t size) {
  std::string v(size, '\0');
  for (size_t i = 0; i < size; ++i) v[i] = static_cast<char>((i * 31 + seed * 7) & 0xFF);
  return v;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

// Whether `text` holds each of `parts` in this order.
bool InOrder(const std::string& text, const std::vector<std::string>& parts) {
  size_t at = 0;
  for (const auto& p : parts) {
    at = text.find(p, at);
    if (at == std::string::npos) return false;
    at += p.size();
  }
  return true;
}

#ifndef _WIN32
bool WaitUntil(const std::function<bool()>& ready) {
  for (auto end = std::chrono::steady_clock::now() + 20s; std::chrono::steady_clock::now() < end;
       std::this_thread::sleep_for(10ms)) {
    if (ready()) return true;
  }
  return ready();
}
#endif

// The fixture site: the charts and the front page, anchor 12345678's
// listing, and the play pages.
struct Site {
  Site() {
    server.ServeFolder(std::string(QUORRIN_FIXTURES) + "/site");
    test::ServeListing(server, "12345678");
  }
  // The program's arguments, pointed at this site.
  std::vector<std::string> Args(std::vector<std::string> args) const {
    args.insert(args.begin(), {"--site", server.host()});
    return args;
  }
  // The line of the row a harvest gives for work `id` at `number`.
  std::string Row(int number, const std::string& title, const std::string& id) const {
    return std::to_string(number) + "\t" + title + "\thttp://" + server.host() + "/play/id_" + id +
           ".html\thttp://v.fixture.test/shenqu/" + id + ".mp4\t" + id;
  }
  // Serves work `id`'s play page with `edit` applied.
  void EditPlayPage(const std::string& id, const std::function<std::string(std::string)>& edit) {
    server.Serve("/play/id_" + id + ".html",
                 edit(test::ReadFixture("site/play/id_" + id + ".html")));
  }
  // Serves work `id`'s video on this server, as `video` replies.
  void ServeVideo(const std::string& id, Reply video) {
    const std::string local = "http://" + server.host() + "/video/";
    EditPlayPage(id, [&](std::string page) {
      return Replaced(page, "http://v.fixture.test/shenqu/", local);
    });
    server.Serve("/video/" + id + ".mp4", std::move(video));
  }
  void ServeVideo(const std::string& id, const std::string& bytes, int status = 200) {
    Reply r;
    r.body = bytes;
    r.status = status;
    r.contentType = "video/mp4";
    ServeVideo(id, r);
  }
  size_t RequestsFor(const std::string& path) const {
    size_t n = 0;
    for (const auto& r : server.Requests()) n += r.path == path;
    return n;
  }
  test::TestServer server;
};

TEST(Cli, EachSourcePrintsItsRowsInOrder) {
  struct Case {
    std::vector<std::string> args;
    std::vector<std::pair<std::string, std::string>> rows;  // title, work ID
    bool failLaterListingPage;
    int status;
    std::string err;
  };
  const Case cases[] = {
      {{"home"},
       {{"小幸运", "1001"}, {"演员", "1002"}, {"告白气球", "1003"}, {"小幸运", "1001"}},
       false,
       0,
       ""},
      {{"daily"}, {{"光年之外", "2001"}, {"说散就散", "2002"}, {"体面", "2003"}}, false, 0, ""},
      {{"monthly"}, {{"沙漠骆驼", "3001"}, {"学猫叫", "3002"}}, false, 0, ""},
      {{"anchor", "12345678"},
       {{"红昭愿", "5001"},
        {"芒种", "5002"},
        {"野狼disco", "5003"},
        {"少年", "5004"},
        {"桥边姑娘", "5005"}},
       false,
       0,
       ""},
      // A listing page that gave nothing: its caption is told, the other rows printed.
      {{"anchor", "12345678"},
       {{"红昭愿", "5001"}, {"芒种", "5002"}, {"少年", "5004"}, {"桥边姑娘", "5005"}},
       true,
       1,
       "神曲（匹配内容数据失败......）\n"},
  };
  for (const auto& c : cases) {
    Site site;
    if (c.failLaterListingPage) site.server.Serve("/u/works/s?yyno=12345678&p=2", "", 500);
    const ChildResult r = RunChild(kCli, site.Args(c.args));
    std::vector<std::string> expected;
    for (size_t i = 0; i < c.rows.size(); ++i)
      expected.push_back(site.Row(static_cast<int>(i + 1), c.rows[i].first, c.rows[i].second));
    EXPECT_EQ(r.status, c.status) << c.args[0];
    EXPECT_EQ(Lines(r.out), expected) << c.args[0];
    EXPECT_EQ(r.err, c.err) << c.args[0];
  }
}

TEST(Cli, JsonAndTabSeparatedKeepEachRowOnOneLine) {
  // A title with a quote, a backslash, a tab and a control character.
  const std::string title = "说\"散\\就\t散\x01";
  Site site;
  site.EditPlayPage("2002", [&](std::string page) { return Replaced(page, "说散就散", title); });
  const std::string h = site.server.host();
  struct Case {
    std::vector<std::string> args;
    std::string second;
  };
  const Case cases[] = {
      {{"--json", "daily"},
       "{\"number\":2,\"title\":\"说\\\"散\\\\就\\t散\\u0001\",\"playAddress\":\"http://" + h +
           "/play/id_2002.html\",\"downloadAddress\":\"http://v.fixture.test/shenqu/2002.mp4\","
           "\"workId\":\"2002\"}"},
      {{"daily"},
       "2\t说\"散\\就 散\x01\thttp://" + h +
           "/play/id_2002.html\thttp://v.fixture.test/shenqu/2002.mp4\t2002"},
  };
  for (const auto& c : cases) {
    const ChildResult r = RunChild(kCli, site.Args(c.args));
    EXPECT_EQ(r.status, 0);
    const auto lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 3u) << c.args[0];
    EXPECT_EQ(lines[1], c.second);
  }
  const ChildResult json = RunChild(kCli, site.Args({"--json", "daily"}));
  EXPECT_EQ(Lines(json.out)[0],
            "{\"number\":1,\"title\":\"光年之外\",\"playAddress\":\"http://" + h +
                "/play/id_2001.html\",\"downloadAddress\":\"http://v.fixture.test/shenqu/"
                "2001.mp4\",\"workId\":\"2001\"}");
}

TEST(Cli, ARowWithoutItsVideoAddressFailsTheHarvest) {
  Site site;
  // Work 2002's play page is one without a video.
  site.server.Serve("/play/id_2002.html", test::ReadFixture("site/play/id_4002.html"));
  const ChildResult r = RunChild(kCli, site.Args({"daily"}));
  EXPECT_EQ(r.status, 1);
  const auto lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1], "2\t无视频\thttp://" + site.server.host() + "/play/id_2002.html\t\t2002");
  EXPECT_EQ(r.err, "2 无视频 没有下载地址\n");
}

TEST(Cli, DownloadSavesTheRowsInOrderAndNamesTheFailedOne) {
  Site site;
  const std::string first = Video(1, 70000), third = Video(3, 5000);
  site.ServeVideo("2001", first);
  site.ServeVideo("2002", "gone", 404);
  site.ServeVideo("2003", third);
  TempFolder temp;
  const fs::path folder = In(temp.path, "下载");  // created by the program
  const ChildResult r =
      RunChild(kCli, site.Args({"--download", PathToUtf8(folder).value, "daily"}));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(Lines(r.out).size(), 3u);
  EXPECT_EQ(Names(folder), (std::vector<std::string>{"体面.mp4", "光年之外.mp4"}));
  EXPECT_EQ(ReadFile(In(folder, "光年之外.mp4")), first);
  EXPECT_EQ(ReadFile(In(folder, "体面.mp4")), third);
  EXPECT_TRUE(
      InOrder(r.err, {"[1/3] 光年之外\n", "[2/3] 说散就散\n", "[3/3] 体面\n",
                      "神曲下载完成：成功 2 首，失败 1 首\n说散就散 服务器返回错误（404）\n"}))
      << r.err;
  // Downloads come after the whole harvest, in row order.
  std::vector<std::string> videos;
  for (const auto& t : site.server.RequestedTargets())
    if (t.rfind("/video/", 0) == 0) videos.push_back(t);
  EXPECT_EQ(videos,
            (std::vector<std::string>{"/video/2001.mp4", "/video/2002.mp4", "/video/2003.mp4"}));
  EXPECT_EQ(site.server.RequestedTargets()[4], "/video/2001.mp4");
}

TEST(Cli, OnlyNewAsksOnlyForTheMissingFiles) {
  Site site;
  const std::string first = Video(1, 3000), second = Video(2, 4000), third = Video(3, 5000);
  site.ServeVideo("2001", first);
  site.ServeVideo("2002", "", 503);
  site.ServeVideo("2003", third);
  TempFolder temp;
  const std::string folder = PathToUtf8(temp.path).value;
  ASSERT_EQ(RunChild(kCli, site.Args({"--download", folder, "daily"})).status, 1);
  ASSERT_EQ(site.RequestsFor("/video/2001.mp4"), 1u);

  // The second night: the missing video is there, and the present ones would
  // now come differently, were they asked for.
  site.ServeVideo("2001", Video(9, 3000));
  site.ServeVideo("2002", second);
  site.ServeVideo("2003", Video(9, 5000));
  const ChildResult r = RunChild(kCli, site.Args({"--only-new", "--download", folder, "daily"}));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(site.RequestsFor("/video/2001.mp4"), 1u);
  EXPECT_EQ(site.RequestsFor("/video/2002.mp4"), 2u);
  EXPECT_EQ(site.RequestsFor("/video/2003.mp4"), 1u);
  EXPECT_EQ(ReadFile(In(temp.path, "光年之外.mp4")), first);
  EXPECT_EQ(ReadFile(In(temp.path, "说散就散.mp4")), second);
  EXPECT_EQ(ReadFile(In(temp.path, "体面.mp4")), third);
  EXPECT_EQ(Names(temp.path).size(), 3u);
  EXPECT_TRUE(
      InOrder(r.err, {"[2/3] 说散就散\n", "神曲下载完成：成功 1 首，跳过 2 首，失败 0 首\n"}))
      << r.err;
  EXPECT_EQ(r.err.find("[1/3]"), std::string::npos);
}

#ifndef _WIN32
// Under Wine the test program has no console of its own to share with the
// child, so Ctrl+Break cannot be sent to it.
TEST(Cli, AnInterruptStopsAtOnceAndLeavesNothing) {
  struct Case {
    const char* name;
    bool duringDownload;
    bool terminate;  // SIGTERM instead of SIGINT
  };
  const Case cases[] = {
      {"harvest, SIGINT", false, false},
      {"download, SIGINT", true, false},
      {"download, SIGTERM", true, true},
  };
  for (const auto& c : cases) {
    Site site;
    const std::string first = Video(1, 3000);
    site.ServeVideo("2001", first);
    Reply stalled;
    stalled.stall = true;
    stalled.body = Video(2, 100000);
    if (c.duringDownload) {
      site.ServeVideo("2002", stalled);
    } else {
      site.server.Serve("/play/id_2002.html", stalled);
    }
    site.ServeVideo("2003", Video(3, 3000));
    TempFolder temp;
    const fs::path folder = temp.path / "videos";
    ChildProcess child(kCli, site.Args({"--download", PathToUtf8(folder).value, "daily"}));
    const std::string waitedFor = c.duringDownload ? "/video/2002.mp4" : "/play/id_2002.html";
    ASSERT_TRUE(WaitUntil([&] { return site.RequestsFor(waitedFor) == 1; })) << c.name;
    if (c.duringDownload) {
      ASSERT_TRUE(fs::exists(In(folder, ".说散就散.mp4.part"))) << c.name;
    }
    c.terminate ? child.Terminate() : child.Interrupt();
    EXPECT_EQ(child.Wait(), 130) << c.name;
    if (c.duringDownload) {
      EXPECT_EQ(Lines(child.Out()).size(), 3u) << c.name;
      EXPECT_EQ(Names(folder), std::vector<std::string>{"光年之外.mp4"}) << c.name;
      EXPECT_EQ(ReadFile(In(folder, "光年之外.mp4")), first) << c.name;
    } else {
      EXPECT_EQ(Lines(child.Out()).size(), 1u) << c.name;
      EXPECT_FALSE(fs::exists(folder)) << c.name;
    }
    EXPECT_EQ(site.RequestsFor("/video/2003.mp4"), 0u) << c.name;
  }
}

#endif

// Terminal columns of UTF-8 text in which every character outside ASCII is wide.
size_t Columns(const std::string& text) {
  size_t n = 0;
  for (unsigned char b : text)
    if ((b & 0xC0) != 0x80) n += b >= 0xE0 ? 2 : 1;
  return n;
}

TEST(Cli, ProgressOnAPipeOnATerminalOrNone) {
  struct Case {
    const char* name;
    bool terminal;
    bool quiet;
  };
  const Case cases[] = {
      {"pipe", false, false},
#ifndef _WIN32
      // No pseudo-terminal to give a child on Windows.
      {"terminal", true, false},
#endif
      {"quiet", false, true},
  };
  const int columns = 40;  // too narrow for the slow row's whole line
  for (const auto& c : cases) {
    Site site;
    site.ServeVideo("2001", Video(1, 3000));
    Reply slow;
    slow.body = Video(2, 150000);
    slow.rateBytesPerSecond = 100000;
    site.ServeVideo("2002", slow);
    site.ServeVideo("2003", Video(3, 3000));
    TempFolder temp;
    std::vector<std::string> args = {"--download", PathToUtf8(temp.path).value, "daily"};
    if (c.quiet) args.insert(args.begin(), "--quiet");
    ChildOptions options;
    options.errorOnTerminal = c.terminal;
    options.columns = columns;
    const ChildResult r = RunChild(kCli, site.Args(args), options);
    EXPECT_EQ(r.status, 0) << c.name;
    EXPECT_EQ(Lines(r.out).size(), 3u) << c.name;
    if (c.quiet) {
      EXPECT_EQ(r.err, "所有神曲下载完成\n") << c.name;
    } else if (!c.terminal) {
      EXPECT_TRUE(InOrder(
          r.err, {"[1/3] 光年之外\n", "[2/3] 说散就散\n", "[3/3] 体面\n", "所有神曲下载完成\n"}))
          << r.err;
      EXPECT_EQ(r.err.find('\r'), std::string::npos) << c.name;
    } else {
      // One line, rewritten: the rows, the slow one with its size and speed,
      // then a cleared line for the summary.
      EXPECT_TRUE(
          InOrder(r.err, {"\r[1/3] 光年之外", "\r[2/3] 说散就散", "MB  ", " MB/s", "\r[3/3] 体面"}))
          << r.err;
      EXPECT_TRUE(r.err.ends_with("\r所有神曲下载完成\n")) << r.err;
      EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
      for (const auto& line : Lines(Replaced(r.err, "\r", "\n")))
        EXPECT_LT(Columns(line), static_cast<size_t>(columns)) << line;
    }
  }
}

TEST(Cli, BadUsageExitsWithTwoAndTheUsage) {
  Site site;
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"weekly"},
      {"anchor"},
      {"anchor", "12a"},
      {"daily", "monthly"},
      {"--only-new", "daily"},
      {"daily", "--download"},
      {"--download=", "daily"},
      {"--bogus", "daily"},
      {"--json=yes", "daily"},
      {"--site", "127.0.0.1/x", "daily"},
      {"--site", "127.0.0.1:", "daily"},
      {"--download", "a", "--download", "b", "daily"},
  };
  for (const auto& args : cases) {
    std::vector<std::string> all = args;
    all.insert(all.begin(), {"--site", site.server.host()});
    if (!args.empty() && args[0] == "--site") all = args;
    const ChildResult r = RunChild(kCli, all);
    const std::string shown = args.empty() ? "(none)" : args[0] + " " + args.back();
    EXPECT_EQ(r.status, 2) << shown;
    EXPECT_EQ(r.out, "") << shown;
    EXPECT_TRUE(r.err.starts_with("quorrin-cli: ")) << shown;
    EXPECT_NE(r.err.find("\nUsage: quorrin-cli"), std::string::npos) << shown;
  }
  EXPECT_TRUE(site.server.Requests().empty());
}

TEST(Cli, HelpAndVersionGoToStandardOutput) {
  const ChildResult help = RunChild(kCli, {"daily", "--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_TRUE(help.out.starts_with("Usage: quorrin-cli")) << help.out;
  EXPECT_NE(help.out.find("--site HOST[:PORT]"), std::string::npos);
  EXPECT_EQ(help.err, "");
  const ChildResult version = RunChild(kCli, {"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, std::string("quorrin-cli ") + QUORRIN_VERSION + "\n");
}

TEST(Cli, NothingHarvestedExitsWithThreeAndTheReason) {
  struct Case {
    const char* name;
    bool reachable;
    std::string err;
  };
  const Case cases[] = {
      {"unreachable site", false, "神曲（匹配内容数据失败......）\n"},
      {"chart without its section", true, "神曲（匹配内容数据失败......）\n"},
  };
  for (const auto& c : cases) {
    Site site;
    site.server.Serve("/hot/daily.html", "<html><body>维护中</body></html>");
    const std::string host =
        c.reachable ? site.server.host() : "127.0.0.1:" + std::to_string(test::RefusedPort());
    const ChildResult r = RunChild(kCli, {"--site", host, "daily"});
    EXPECT_EQ(r.status, 3) << c.name;
    EXPECT_EQ(r.out, "") << c.name;
    EXPECT_EQ(r.err, c.err) << c.name;
  }
}

}  // namespace
}  // namespace quorrin

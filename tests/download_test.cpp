#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
#endif

#include <filesystem>
#include <fstream>
#include <sstream>

#include "download/download_job.h"
#include "download/file_name.h"
#include "download/file_system.h"
#include "harvest/harvest_job.h"
#include "support/harvest_fixture.h"
#include "support/local_text.h"
#include "support/temp_folder.h"
#include "webtext/path_text.h"

namespace quorrin {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::L;
using test::SiteFixture;

struct TempFolder : test::TempFolder {
  TempFolder() : test::TempFolder("quorrin-dl-") {}
  // Names are UTF-8 here; they go through PathFromUtf8 and PathToUtf8
  // because on Windows a path takes a plain string in the ANSI code page.
  // Every entry of the folder, hidden ones included, by name.
  std::vector<std::string> Names() const {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(path))
      out.push_back(PathToUtf8(e.path().filename()).value);
    std::sort(out.begin(), out.end());
    return out;
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(path / PathFromUtf8(Utf8(name)), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  void Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(path / PathFromUtf8(Utf8(name)), std::ios::binary) << bytes;
  }
};

std::string Video(int seed, size_t size) {
  std::string v(size, '\0');
  for (size_t i = 0; i < size; ++i) v[i] = static_cast<char>((i * 31 + seed * 7) & 0xFF);
  return v;
}

struct DownloadFixture : SiteFixture {
  explicit DownloadFixture(bool autoClose = true) : SiteFixture(autoClose) {
    window.SetPath(controls::kDownloadFolder, folder.path, nullptr);
  }
  // Adds a row whose video the server serves at /v/<id>.mp4 (or `address`).
  void AddRow(const std::string& titleUtf8, const std::string& id, const Text& address) {
    const int row = window.RowCount(nullptr);
    window.AppendRow(nullptr);
    window.SetCell(row, 0, NumberText(row + 1), nullptr);
    window.SetCell(row, 1, L(titleUtf8), nullptr);
    window.SetCell(row, 3, address, nullptr);
    window.SetCell(row, 4, test::T(id), nullptr);
  }
  std::vector<std::string> StatusTexts() const {
    std::vector<std::string> out;
    const std::string prefix = "SetText " + std::string(controls::kStatusLine) + ": ";
    for (const auto& c : window.Calls()) {
      if (c.rfind(prefix, 0) == 0) out.push_back(c.substr(prefix.size()));
    }
    return out;
  }
  std::vector<std::pair<std::string, std::string>> MessageTexts() const {
    std::vector<std::pair<std::string, std::string>> out;
    for (const auto& m : window.Messages()) out.emplace_back(test::U(m.title), test::U(m.text));
    return out;
  }
  TempFolder folder;
};

TEST(DownloadAll, SavesEveryRowInOrderThenOneMessage) {
  DownloadFixture f;
  const std::string videos[] = {Video(1, 5000), Video(2, 70000), Video(3, 1)};
  const char* titles[] = {"小幸运", "演员", "告白气球"};
  for (int i = 0; i < 3; ++i) {
    f.server.Serve("/v/" + std::to_string(i) + ".mp4", videos[i]);
    f.AddRow(titles[i], std::to_string(100 + i), f.server.Url("/v/" + std::to_string(i) + ".mp4"));
  }
  f.RunToEnd(DownloadAllJob());
  EXPECT_EQ(f.StatusTexts(),
            (std::vector<std::string>{"当前下载神曲：小幸运（1/3）", "当前下载神曲：演员（2/3）",
                                      "当前下载神曲：告白气球（3/3）",
                                      "所有神曲下载成功，快打开下载目录去看看吧！！！"}));
  for (int i = 0; i < 3; ++i) EXPECT_EQ(f.folder.Read(std::string(titles[i]) + ".mp4"), videos[i]);
  EXPECT_EQ(f.folder.Names().size(), 3u);
  EXPECT_EQ(f.MessageTexts(),
            (std::vector<std::pair<std::string, std::string>>{{"OK", "所有神曲下载完成"}}));
  EXPECT_EQ(f.server.RequestedTargets(),
            (std::vector<std::string>{"/v/0.mp4", "/v/1.mp4", "/v/2.mp4"}));
  EXPECT_TRUE(f.control->flag.Idle());
}

TEST(DownloadAll, EmptyListStillTellsItIsDone) {
  DownloadFixture f;
  f.RunToEnd(DownloadAllJob());
  EXPECT_EQ(f.StatusTexts(),
            (std::vector<std::string>{"所有神曲下载成功，快打开下载目录去看看吧！！！"}));
  EXPECT_EQ(f.MessageTexts().size(), 1u);
  EXPECT_TRUE(f.folder.Names().empty());
  EXPECT_TRUE(f.server.Requests().empty());
}

TEST(DownloadSelected, NoRowSelectedAsksForOne) {
  DownloadFixture f;
  f.AddRow("演员", "1", f.server.Url("/v/1.mp4"));
  f.window.SetText(controls::kStatusLine, "before"_t, nullptr);
  f.RunToEnd(DownloadSelectedJob());
  EXPECT_EQ(f.MessageTexts(),
            (std::vector<std::pair<std::string, std::string>>{{"提示", "请先选中要下载的神曲"}}));
  EXPECT_EQ(f.window.TextOf(controls::kStatusLine), "before"_t);
  EXPECT_TRUE(f.server.Requests().empty());
  EXPECT_TRUE(f.folder.Names().empty());
  EXPECT_TRUE(f.control->flag.Idle());
}

TEST(DownloadSelected, SavesTheSelectedRow) {
  DownloadFixture f;
  f.server.Serve("/v/b.mp4", Video(9, 12345));
  f.AddRow("演员", "1", f.server.Url("/v/a.mp4"));
  f.AddRow("体面", "2", f.server.Url("/v/b.mp4"));
  f.window.Select(1);
  f.RunToEnd(DownloadSelectedJob());
  EXPECT_EQ(f.folder.Names(), std::vector<std::string>{"体面.mp4"});
  EXPECT_EQ(f.folder.Read("体面.mp4"), Video(9, 12345));
  EXPECT_EQ(f.StatusTexts(),
            (std::vector<std::string>{"当前下载神曲：体面",
                                      "神曲下载成功，快打开下载目录去看看吧！！！"}));
  EXPECT_EQ(f.MessageTexts(),
            (std::vector<std::pair<std::string, std::string>>{{"OK", "神曲下载完成"}}));
}

test::Reply Moved(const std::string& location) {
  test::Reply r;
  r.status = 302;
  r.location = location;
  return r;
}

test::Reply EncodedAs(const std::string& encoding, const std::string& body) {
  test::Reply r;
  r.contentEncoding = encoding;
  r.body = body;
  return r;
}

// Serves `reply` as the row's video and gives its address.
Text Served(DownloadFixture& f, const test::Reply& reply) {
  f.server.Serve("/v.mp4", reply);
  return f.server.Url("/v.mp4");
}

TEST(DownloadSelected, EveryFailureIsToldAndWritesNothing) {
  struct Case {
    const char* name;
    std::function<Text(DownloadFixture&)> prepare;  // gives the download address
    std::string reason;
  };
  const Case cases[] = {
      {"no address", [](DownloadFixture&) { return Text(); }, "没有下载地址"},
      {"no connection",
       [](DownloadFixture&) {
         return Text("http://127.0.0.1:" + std::to_string(test::RefusedPort()) + "/v.mp4");
       },
       "无法连接服务器"},
      {"error status", [](DownloadFixture& f) { return f.server.Url("/missing.mp4"); },
       "服务器返回错误（404）"},
      {"broken off",
       [](DownloadFixture& f) {
         test::Reply r;
         r.body = Video(1, 200000);
         r.breakAfter = 50000;
         f.server.Serve("/v.mp4", r);
         return f.server.Url("/v.mp4");
       },
       "下载不完整"},
      {"empty body",
       [](DownloadFixture& f) {
         f.server.Serve("/v.mp4", "");
         return f.server.Url("/v.mp4");
       },
       "下载内容为空"},
      {"redirect loop", [](DownloadFixture& f) { return Served(f, Moved("/v.mp4")); },
       "重定向过多"},
      {"redirect to ftp",
       [](DownloadFixture& f) { return Served(f, Moved("ftp://127.0.0.1/v.mp4")); },
       "不支持的重定向地址"},
      {"redirect to file",
       [](DownloadFixture& f) { return Served(f, Moved("file:///etc/passwd")); },
       "不支持的重定向地址"},
      {"brotli that is none",
       [](DownloadFixture& f) { return Served(f, EncodedAs("br", "not brotli at all")); },
       "无法解码下载内容"},
      {"gzip that is none",
       [](DownloadFixture& f) { return Served(f, EncodedAs("gzip", Video(2, 5000))); },
       "无法解码下载内容"},
      {"folder missing",
       [](DownloadFixture& f) {
         f.server.Serve("/v.mp4", "data");
         f.window.SetPath(controls::kDownloadFolder, f.folder.path / "gone", nullptr);
         return f.server.Url("/v.mp4");
       },
       "无法保存文件"},
      {"folder is a file",
       [](DownloadFixture& f) {
         f.server.Serve("/v.mp4", "data");
         std::ofstream((f.folder.path / "plain").string()) << "x";
         f.window.SetPath(controls::kDownloadFolder, f.folder.path / "plain", nullptr);
         return f.server.Url("/v.mp4");
       },
       "无法保存文件"},
  };
  for (const auto& c : cases) {
    DownloadFixture f;
    f.AddRow("红昭愿", "5001", c.prepare(f));
    f.window.Select(0);
    const auto before = f.folder.Names();
    f.RunToEnd(DownloadSelectedJob());
    EXPECT_EQ(
        f.MessageTexts(),
        (std::vector<std::pair<std::string, std::string>>{{"错误", "神曲下载失败：" + c.reason}}))
        << c.name;
    EXPECT_EQ(f.window.TextOf(controls::kStatusLine), L("神曲下载失败：红昭愿")) << c.name;
    EXPECT_EQ(f.folder.Names(), before) << c.name;
    EXPECT_TRUE(f.control->flag.Idle());
  }
}

TEST(DownloadSelected, AnEncodedVideoIsSavedDecoded) {
  for (const std::string encoding : {"gzip", "deflate"}) {
    DownloadFixture f;
    const std::string video = Video(6, 300000);
    f.AddRow("红昭愿", "5001", Served(f, EncodedAs(encoding, test::Encoded(video, encoding))));
    f.window.Select(0);
    f.RunToEnd(DownloadSelectedJob());
    EXPECT_EQ(f.folder.Names(), std::vector<std::string>{"红昭愿.mp4"}) << encoding;
    EXPECT_TRUE(f.folder.Read("红昭愿.mp4") == video) << encoding;
    EXPECT_EQ(f.MessageTexts(),
              (std::vector<std::pair<std::string, std::string>>{{"OK", "神曲下载完成"}}));
  }
}

TEST(FailureReason, SlowAndStalledTransfersAreTimeOuts) {
  // The job fetches with the sixty-second limit; the same fetch with a
  // one-second limit shows the reason it gives.
  test::Reply trickle;
  trickle.body = Video(7, 5000);
  trickle.rateBytesPerSecond = 1;
  test::Reply stall;
  stall.body = Video(7, 5000);
  stall.stall = true;
  for (const auto& reply : {trickle, stall}) {
    test::TestServer server;
    server.Serve("/v.mp4", reply);
    FetchOptions options;
    options.stallSeconds = 1;
    EXPECT_EQ(test::U(FailureReason(Fetch(server.Url("/v.mp4"), options))), "下载超时")
        << (reply.stall ? "stall" : "trickle");
  }
}

TEST(DownloadAll, FailuresAreCountedAndListed) {
  DownloadFixture f;
  f.server.Serve("/ok.mp4", "video");
  f.AddRow("甲", "1", f.server.Url("/ok.mp4"));
  for (int i = 0; i < 11; ++i) f.AddRow("坏" + std::to_string(i), std::to_string(10 + i), Text());
  f.AddRow("乙", "2", f.server.Url("/missing.mp4"));
  f.RunToEnd(DownloadAllJob());
  const auto messages = f.MessageTexts();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].first, "下载结果");
  std::string expected = "神曲下载完成：成功 1 首，失败 12 首";
  for (int i = 0; i < 10; ++i) expected += "\n坏" + std::to_string(i) + " 没有下载地址";
  expected += "\n……";
  EXPECT_EQ(messages[0].second, expected);
  EXPECT_EQ(test::U(f.window.TextOf(controls::kStatusLine)), "神曲下载完成：成功 1 首，失败 12 首");
  EXPECT_EQ(f.folder.Names(), std::vector<std::string>{"甲.mp4"});
}

TEST(DownloadAll, HostileTitlesStayInTheFolder) {
  struct Case {
    std::string title;
    std::string file;
  };
  const std::string longTitle(300, 'a');
  std::string chinese;
  for (int i = 0; i < 100; ++i) chinese += "神";  // 300 bytes in UTF-8
  const Case cases[] = {
      {"../../x", ".._.._x.mp4"},
      {"/etc/passwd", "_etc_passwd.mp4"},
      {"a\\b", "a_b.mp4"},
      {"CON", "_CON.mp4"},
      {"nul.txt", "_nul.txt.mp4"},
      {"com1", "_com1.mp4"},
      {"  .", "77.mp4"},
      {"..", "77.mp4"},
      {"", "77.mp4"},
      {"a:b*c?d\"e<f>g|h", "a_b_c_d_e_f_g_h.mp4"},
      {"  歌名 . ", "歌名.mp4"},
      {"tab\there", "tab_here.mp4"},
      {longTitle, std::string(251, 'a') + ".mp4"},
      {"x" + chinese, "x" + chinese.substr(0, 249) + ".mp4"},  // 250 bytes: no split character
  };
  for (const auto& c : cases) {
    DownloadFixture f;
    f.server.Serve("/v.mp4", "video");
    f.AddRow(c.title, "77", f.server.Url("/v.mp4"));
    f.RunToEnd(DownloadAllJob());
    EXPECT_EQ(f.folder.Names(), std::vector<std::string>{c.file}) << c.title;
    EXPECT_LE(c.file.size(), 255u);
  }
}

TEST(DownloadAll, TwoRowsWithOneTitleKeepBothFiles) {
  DownloadFixture f;
  f.server.Serve("/a.mp4", "first");
  f.server.Serve("/b.mp4", "second");
  f.server.Serve("/c.mp4", "third");
  f.AddRow("同名", "11", f.server.Url("/a.mp4"));
  f.AddRow("同名", "22", f.server.Url("/b.mp4"));
  f.AddRow("同名", "22", f.server.Url("/c.mp4"));
  f.RunToEnd(DownloadAllJob());
  EXPECT_EQ(f.folder.Read("同名.mp4"), "first");
  EXPECT_EQ(f.folder.Read("同名 (22).mp4"), "second");
  EXPECT_EQ(f.folder.Read("同名 (22 2).mp4"), "third");
  EXPECT_EQ(f.folder.Names().size(), 3u);
}

TEST(DownloadAll, AnEarlierFileIsReplacedOnlyByAWholeVideo) {
  DownloadFixture f;
  f.folder.Write("歌.mp4", "old");
  test::Reply broken;
  broken.body = Video(4, 100000);
  broken.breakAfter = 1000;
  f.server.Serve("/v.mp4", broken);
  f.AddRow("歌", "1", f.server.Url("/v.mp4"));
  f.RunToEnd(DownloadAllJob());
  EXPECT_EQ(f.folder.Read("歌.mp4"), "old");
  f.server.Serve("/v.mp4", "new video");
  f.RunToEnd(DownloadAllJob());
  EXPECT_EQ(f.folder.Read("歌.mp4"), "new video");
  EXPECT_EQ(f.folder.Names(), std::vector<std::string>{"歌.mp4"});
}

TEST(DownloadStop, MidTransferLeavesNothingBehind) {
  DownloadFixture f;
  f.server.Serve("/done.mp4", "saved before");
  test::Reply slow;
  slow.body = Video(5, 2'000'000);
  slow.rateBytesPerSecond = 100'000;
  f.server.Serve("/slow.mp4", slow);
  f.AddRow("先", "1", f.server.Url("/done.mp4"));
  f.AddRow("慢", "2", f.server.Url("/slow.mp4"));
  f.AddRow("后", "3", f.server.Url("/done.mp4"));
  StartJob(*f.control, DownloadAllJob());
  // Wait until the slow video is partly on disk, with its progress shown.
  ASSERT_TRUE(f.window.WaitFor([&] {
    const auto texts = f.StatusTexts();
    return !texts.empty() && texts.back().find(" MB") != std::string::npos;
  }));
  StopAllJobs(*f.control);
  const size_t calls = f.window.CallCount();
  ASSERT_TRUE(WaitForWorkers(*f.control, 2s));
  EXPECT_EQ(f.window.CallCount(), calls);
  EXPECT_EQ(f.folder.Names(), std::vector<std::string>{"先.mp4"});
  EXPECT_TRUE(f.window.Messages().empty());
  EXPECT_TRUE(f.control->flag.Idle());
  const std::string progress = f.StatusTexts().back();
  EXPECT_EQ(progress.rfind("当前下载神曲：慢（2/3）  ", 0), 0u) << progress;
  EXPECT_NE(progress.find("%  "), std::string::npos) << progress;
}

TEST(DownloadAll, AFolderNamedOutsideCodePage936Works) {
  // Finnish, Korean and an emoji: none of them is in code page 936.
  DownloadFixture f;
  const fs::path folder =
      f.folder.path / PathFromUtf8("Työpöytä"_u8) / PathFromUtf8("바탕 화면 😀"_u8);
  fs::create_directory(folder.parent_path());
  f.window.SetPath(controls::kDownloadFolder, folder, nullptr);
  EnsureDownloadFolder(f.window);
  ASSERT_TRUE(fs::is_directory(folder));
  const std::string video = Video(6, 40000);
  f.server.Serve("/v.mp4", video);
  f.AddRow("神曲", "1", f.server.Url("/v.mp4"));
  f.RunToEnd(DownloadAllJob());
  std::ifstream in(folder / PathFromUtf8("神曲.mp4"_u8), std::ios::binary);
  std::ostringstream got;
  got << in.rdbuf();
  EXPECT_EQ(got.str(), video);
  EXPECT_EQ(f.MessageTexts(),
            (std::vector<std::pair<std::string, std::string>>{{"OK", "所有神曲下载完成"}}));
}

TEST(DownloadAll, AFolderDeeperThanTheOldPathLimitWorks) {
  // Past 260 characters in all, the old limit of Windows paths.
  DownloadFixture f;
  fs::path folder = f.folder.path;
  while (folder.native().size() < 280) {
    folder /= std::string(40, 'd');
    ASSERT_TRUE(MakeFolder(folder)) << folder.native().size();
  }
  folder /= PathFromUtf8("神曲"_u8);
  f.window.SetPath(controls::kDownloadFolder, folder, nullptr);
  EnsureDownloadFolder(f.window);
  ASSERT_TRUE(PathExists(folder));
  const std::string video = Video(8, 30000);
  f.server.Serve("/v.mp4", video);
  f.AddRow(std::string(120, 't'), "1", f.server.Url("/v.mp4"));
  f.RunToEnd(DownloadAllJob());
  EXPECT_EQ(f.MessageTexts(),
            (std::vector<std::pair<std::string, std::string>>{{"OK", "所有神曲下载完成"}}));
  EXPECT_EQ(FileSize(folder / (std::string(120, 't') + ".mp4")),
            static_cast<long long>(video.size()));
}

#ifdef _WIN32
// Wine takes any length, so the form itself is checked: real Windows refuses
// a plain path past MAX_PATH.
TEST(NativePath, LongPathsTakeTheLongForm) {
  const std::wstring deep(300, L'd');
  EXPECT_EQ(NativePath(L"C:\\short\\x.mp4"), L"C:\\short\\x.mp4");
  EXPECT_EQ(NativePath(L"C:/a/../" + deep), L"\\\\?\\C:\\" + deep);
  EXPECT_EQ(NativePath(L"\\\\server\\share\\" + deep), L"\\\\?\\UNC\\server\\share\\" + deep);
  EXPECT_EQ(NativePath(L"\\\\?\\C:\\" + deep), L"\\\\?\\C:\\" + deep);
  EXPECT_EQ(NativePath(L"relative\\" + deep), L"relative\\" + deep);
}

TEST(DownloadAll, ATargetHeldOpenByAnotherProgramFailsThatRowOnly) {
  DownloadFixture f;
  const fs::path held = f.folder.path / "held.mp4";
  std::ofstream(held, std::ios::binary) << "old";
  // Another program has the file open and lets nobody replace or delete it.
  HANDLE other = CreateFileW(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(other, INVALID_HANDLE_VALUE);
  f.server.Serve("/a.mp4", "new held");
  f.server.Serve("/b.mp4", "free");
  f.AddRow("held", "1", f.server.Url("/a.mp4"));
  f.AddRow("free", "2", f.server.Url("/b.mp4"));
  f.RunToEnd(DownloadAllJob());
  CloseHandle(other);
  EXPECT_EQ(f.MessageTexts(),
            (std::vector<std::pair<std::string, std::string>>{
                {"下载结果", "神曲下载完成：成功 1 首，失败 1 首\nheld 无法保存文件"}}));
  EXPECT_EQ(f.folder.Read("held.mp4"), "old");
  EXPECT_EQ(f.folder.Read("free.mp4"), "free");
  EXPECT_EQ(f.folder.Names(), (std::vector<std::string>{"free.mp4", "held.mp4"}));  // no part file
}
#endif

TEST(TargetPath, NamesStayWithinALengthAndUnique) {
  const fs::path folder = "/tmp/dl";
  const Text longId(std::string(248, 'a'));
  WrittenFiles written{folder / "T.mp4"};
  const fs::path first = TargetPath(folder, "T"_t, longId, written);
  EXPECT_EQ(first.filename().string().size(), 255u);
  EXPECT_EQ(first.filename().string().substr(0, 4), "T (a");
  written.insert(first);
  const fs::path second = TargetPath(folder, "T"_t, longId, written);
  EXPECT_NE(second, first);
  EXPECT_LE(second.filename().string().size(), 255u);
  // A short ID keeps its whole tag.
  EXPECT_EQ(TargetPath(folder, "T"_t, "42"_t, written), folder / "T (42).mp4");
}

// Runs one row of a whole-list download in a job of its own, with seams.
RowOutcome RunRow(DownloadFixture& f, const RowSeams& seams, JobToken*& token) {
  auto owned = std::make_shared<JobToken>();
  token = owned.get();
  JobContext job(*f.control, owned, 1);
  WrittenFiles written;
  return DownloadRow(job, 0, Text(), written, seams);
}

// Hidden as the system has it: the attribute on Windows, a leading dot elsewhere.
bool IsHidden(const fs::path& path) {
#ifdef _WIN32
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_HIDDEN);
#else
  return path.filename().string().rfind('.', 0) == 0;
#endif
}

TEST(DownloadRow, ThePartFileIsHiddenAndTheSavedFileIsNot) {
  DownloadFixture f;
  f.folder.Write("歌.mp4", "old");
  f.server.Serve("/v.mp4", "new video");
  f.AddRow("歌", "1", f.server.Url("/v.mp4"));
  JobToken* token = nullptr;
  RowSeams seams;
  std::vector<std::pair<std::string, bool>> beforeMove;  // name, hidden
  seams.beforeMove = [&] {
    for (const auto& e : fs::directory_iterator(f.folder.path))
      beforeMove.emplace_back(PathToUtf8(e.path().filename()).value, IsHidden(e.path()));
    std::sort(beforeMove.begin(), beforeMove.end());
  };
  EXPECT_EQ(RunRow(f, seams, token).kind, RowOutcome::kSaved);
  EXPECT_EQ(beforeMove,
            (std::vector<std::pair<std::string, bool>>{{".歌.mp4.part", true}, {"歌.mp4", false}}));
  EXPECT_EQ(f.folder.Names(), std::vector<std::string>{"歌.mp4"});
  EXPECT_EQ(f.folder.Read("歌.mp4"), "new video");
  EXPECT_FALSE(IsHidden(f.folder.path / PathFromUtf8("歌.mp4"_u8)));
}

TEST(DownloadStop, AStopBeforeTheFinalMoveKeepsTheOldFile) {
  DownloadFixture f;
  f.folder.Write("歌.mp4", "old");
  f.server.Serve("/v.mp4", "new video");
  f.AddRow("歌", "1", f.server.Url("/v.mp4"));
  JobToken* token = nullptr;
  RowSeams seams;
  seams.beforeMove = [&] { token->End(); };
  EXPECT_EQ(RunRow(f, seams, token).kind, RowOutcome::kStopped);
  EXPECT_EQ(f.folder.Read("歌.mp4"), "old");
  EXPECT_EQ(f.folder.Names(), std::vector<std::string>{"歌.mp4"});  // no part file either
}

TEST(DownloadStop, AStopBeforeThePartFileOpensLeavesTheFolderUntouched) {
  DownloadFixture f;
  f.server.Serve("/v.mp4", "video");
  f.AddRow("歌", "1", f.server.Url("/v.mp4"));
  JobToken* token = nullptr;
  RowSeams seams;
  bool partSeen = false;
  seams.beforeOpen = [&] { token->End(); };
  seams.beforeMove = [&] { partSeen = true; };
  EXPECT_EQ(RunRow(f, seams, token).kind, RowOutcome::kStopped);
  EXPECT_FALSE(partSeen);
  EXPECT_TRUE(f.folder.Names().empty());
  EXPECT_TRUE(f.server.Requests().empty());
}

TEST(EnsureDownloadFolder, CreatesOnlyTheLastLevel) {
  TempFolder root;
  MemoryWindow window;
  const struct {
    fs::path folder;
    bool exists;
  } cases[] = {
      {root.path / "shenqu", true},
      {root.path / "missing" / "shenqu", false},
      {"", false},
  };
  for (const auto& c : cases) {
    window.SetPath(controls::kDownloadFolder, c.folder, nullptr);
    EnsureDownloadFolder(window);
    EXPECT_EQ(!c.folder.empty() && fs::is_directory(c.folder), c.exists) << c.folder;
  }
  std::ofstream(root.path / "file") << "x";
  window.SetPath(controls::kDownloadFolder, root.path / "file", nullptr);
  EnsureDownloadFolder(window);
  EXPECT_TRUE(fs::is_regular_file(root.path / "file"));
}

TEST(DownloadBusy, DuringAHarvestTheFolderIsMadeButNothingSaved) {
  DownloadFixture f(/*autoClose=*/false);
  test::Reply stall;
  stall.stall = true;
  f.server.Serve("/hot/daily.html", stall);
  f.server.Serve("/v.mp4", "video");
  f.AddRow("歌", "1", f.server.Url("/v.mp4"));
  StartJob(*f.control, HarvestJob(DailyChartSource(f.server.host()), f.server.host()));
  ASSERT_TRUE(f.window.WaitFor([&] { return !f.server.Requests().empty(); }));
  const fs::path folder = f.folder.path / "new";
  f.window.SetPath(controls::kDownloadFolder, folder, nullptr);
  EnsureDownloadFolder(f.window);
  StartJob(*f.control, DownloadAllJob());
  ASSERT_TRUE(f.window.WaitFor([&] { return f.window.OpenMessages().size() == 1; }));
  EXPECT_EQ(test::U(f.window.OpenMessages()[0].text), "有其他线程正在运行，请稍后");
  EXPECT_TRUE(fs::is_directory(folder));
  EXPECT_TRUE(fs::is_empty(folder));
  StopAllJobs(*f.control);
  ASSERT_TRUE(WaitForWorkers(*f.control, 2s));
  EXPECT_EQ(f.server.RequestedTargets(), std::vector<std::string>{"/hot/daily.html"});
}

TEST(ProgressText, Formats) {
  EXPECT_EQ(ProgressText(12'897'485, 41'943'040), "30%  12.3/40.0 MB"_t);
  EXPECT_EQ(ProgressText(12'897'485, -1), "12.3 MB"_t);
  EXPECT_EQ(ProgressText(0, 0), "0.0 MB"_t);
  EXPECT_EQ(ProgressText(100, 100), "100%  0.0/0.0 MB"_t);
}

}  // namespace
}  // namespace quorrin

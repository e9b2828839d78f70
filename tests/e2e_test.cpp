// End to end: the demo site in its own process, the program's window driven
// through its controls as a user would.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>

#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

#include "catalog.h"
#include "download/file_name.h"
#include "qt/local_qt.h"
#include "qt/main_window.h"
#include "support/window_driver.h"

extern char** environ;

namespace quorrin {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

QString Q(const std::string& utf8) {
  return QString::fromStdString(utf8);
}

// The demo site in a child process.
class DemoSite {
 public:
  DemoSite() {
    int fds[2];
    if (pipe(fds) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    char* argv[] = {const_cast<char*>(QUORRIN_DEMO_SITE), const_cast<char*>("0"), nullptr};
    if (posix_spawn(&pid_, QUORRIN_DEMO_SITE, &actions, nullptr, argv, environ) != 0) pid_ = 0;
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    reader_ = std::thread([this, fd = fds[0]] {
      char buffer[4096];
      ssize_t n;
      while ((n = read(fd, buffer, sizeof buffer)) > 0) {
        std::lock_guard<std::mutex> lock(mutex_);
        log_.append(buffer, static_cast<size_t>(n));
      }
      close(fd);
    });
    for (int i = 0; i < 500 && host_.empty(); ++i) {
      std::this_thread::sleep_for(10ms);
      std::lock_guard<std::mutex> lock(mutex_);
      const std::string prefix = "listening on ";
      const size_t end = log_.find('\n');
      if (log_.rfind(prefix, 0) == 0 && end != std::string::npos)
        host_ = log_.substr(prefix.size(), end - prefix.size());
    }
  }
  ~DemoSite() { Stop(); }
  // Stops the site with SIGTERM; true when it ended cleanly with status 0.
  bool Stop() {
    bool clean = false;
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      int status = 0;
      waitpid(pid_, &status, 0);
      clean = WIFEXITED(status) && WEXITSTATUS(status) == 0;
      pid_ = 0;
    }
    if (reader_.joinable()) reader_.join();
    return clean;
  }
  const std::string& host() const { return host_; }
  std::string Log() {
    std::lock_guard<std::mutex> lock(mutex_);
    return log_;
  }

 private:
  pid_t pid_ = 0;
  std::thread reader_;
  std::mutex mutex_;
  std::string log_;
  std::string host_;
};

struct User : test::WindowDriver {
  explicit User(const std::string& host) : WindowDriver({host, host, host}, DesktopShell()) {}
};

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// The title as the list shows it: through the program's local code page.
QString Shown(const std::string& utf8) {
  return FromLocal(Utf8ToLocal(Utf8(utf8)));
}

TEST(EndToEnd, HarvestDownloadAnchorAndStop) {
  DemoSite site;
  ASSERT_FALSE(site.host().empty());
  User user(site.host());
  std::string pattern = (fs::temp_directory_path() / "quorrin-e2e-XXXXXX").string();
  const fs::path folder = mkdtemp(pattern.data());

  // The daily chart.
  user.Click("按钮4");
  ASSERT_TRUE(user.WaitIdle());
  const auto chart = demo::DailyChart();
  std::vector<QString> ids, titles;
  for (const auto& id : chart) {
    ids.push_back(Q(id));
    titles.push_back(Shown(demo::FindWork(id)->title));
  }
  EXPECT_EQ(user.Column(4), ids);
  EXPECT_EQ(user.Column(1), titles);
  EXPECT_EQ(user.Column(2)[0], Q("http://" + site.host() + "/play/id_" + chart[0] + ".html"));
  EXPECT_EQ(user.Column(3)[0], Q("http://" + site.host() + "/v/" + chart[0] + ".mp4"));

  // Download them all into a fresh folder.
  user.Find<QLineEdit>("编辑框3")->setText(Q(folder.string()));
  user.Click("按钮8");
  ASSERT_TRUE(test::ServeUntil([&] { return user.layer.OpenBoxes().size() == 1; }));
  QMessageBox* result = user.layer.OpenBoxes()[0];
  EXPECT_EQ(result->windowTitle(), QString::fromUtf8("下载结果"));
  EXPECT_EQ(result->text(), QString::fromUtf8("神曲下载完成：成功 8 首，失败 1 首\n"
                                              "已下架的作品 服务器返回错误（404）"));
  result->button(QMessageBox::Ok)->click();
  ASSERT_TRUE(user.WaitIdle());
  EXPECT_EQ(user.Find<QLabel>("透明标签1")->text(),
            QString::fromUtf8("神曲下载完成：成功 8 首，失败 1 首"));
  std::set<std::string> expected;
  for (const auto& id : chart) {
    const demo::Work& w = *demo::FindWork(id);
    if (w.videoMissing) continue;
    std::string name = SafeFileName(LocalToUtf8(Utf8ToLocal(Utf8(w.title))), Utf8(id)).value;
    if (id == "10004") name += " (10004)";  // the second work titled 爱你
    expected.insert(name + ".mp4");
    EXPECT_EQ(ReadAll(folder / (name + ".mp4")), demo::VideoBytes(w)) << name;
  }
  std::set<std::string> present;
  for (const auto& e : fs::directory_iterator(folder)) present.insert(e.path().filename().string());
  EXPECT_EQ(present, expected);
  EXPECT_TRUE(present.count("爱你.mp4") && present.count("爱你 (10004).mp4"));

  // Every work of the three-page anchor, in listing order.
  user.Find<QLineEdit>("编辑框1")->setText(QString::fromUtf8("12345678"));
  user.Click("按钮5");
  ASSERT_TRUE(user.WaitIdle());
  std::vector<QString> anchorIds;
  for (const auto& page : demo::Anchors()[0].pages)
    for (const auto& id : page) anchorIds.push_back(Q(id));
  EXPECT_EQ(user.Column(4), anchorIds);

  // Start the large video and stop it part-way: nothing of it stays.
  const int big = static_cast<int>(anchorIds.size()) - 1;
  ASSERT_EQ(user.Column(4)[big], Q("10030"));
  user.List()->setCurrentItem(user.List()->topLevelItem(big));
  user.Menu("下载选中神曲");
  ASSERT_TRUE(test::ServeUntil(
      [&] { return user.Find<QLabel>("透明标签1")->text().contains(QString::fromUtf8("%  ")); }));
  user.Menu("停止当前进行操作");
  ASSERT_TRUE(user.WaitIdle());
  present.clear();
  for (const auto& e : fs::directory_iterator(folder)) present.insert(e.path().filename().string());
  EXPECT_EQ(present, expected);
  EXPECT_TRUE(user.layer.OpenBoxes().empty());
  EXPECT_TRUE(user.control->flag.Idle());
  EXPECT_NE(site.Log().find("GET /v/10030.mp4"), std::string::npos);
  fs::remove_all(folder);
  EXPECT_TRUE(site.Stop());
}

}  // namespace
}  // namespace quorrin

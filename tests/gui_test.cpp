#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTabBar>
#include <QTextBrowser>
#include <QTimer>
#include <QTreeWidget>

#include <filesystem>
#include <fstream>

#include "qt/local_qt.h"
#include "qt/main_window.h"
#include "qt/raw_text_box.h"
#include "qt/theme.h"
#include "support/harvest_fixture.h"
#include "support/local_text.h"
#include "support/test_server.h"
#include "support/window_driver.h"
#include "ui/startup.h"
#include "ui/window_description.h"

namespace quorrin {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

QString Q(const char* utf8) {
  return QString::fromUtf8(utf8);
}

// What the replaced desktop services saw; made before the window uses them.
struct Recorded {
  std::vector<QString> opened, prompts, modals, folders;
  QString chosen;
};

// The window with its desktop services replaced by recorders.
struct Gui : Recorded, test::WindowDriver {
  explicit Gui(SiteHosts hosts = {}) : WindowDriver(std::move(hosts), Recorders()) {}
  Shell Recorders() {
    Shell shell;
    shell.openAddress = [this](const QString& a) { opened.push_back(a); };
    shell.chooseFolder = [this](QWidget*, const QString& prompt) {
      prompts.push_back(prompt);
      return chosen;
    };
    shell.copyToClipboard = [](const QString& text) { QApplication::clipboard()->setText(text); };
    shell.openFolder = [this](const QString& folder) { folders.push_back(folder); };
    shell.showModal = [this](QWidget*, const QString& text, const QString& title) {
      modals.push_back(title + "|" + text);
    };
    return shell;
  }
  QString Status() const { return Find<QLabel>("透明标签1")->text(); }
  std::vector<QMessageBox*> Boxes() const { return layer.OpenBoxes(); }
};

TEST(Window, ControlTree) {
  Gui gui;
  MainWindow& w = *gui.window;
  EXPECT_EQ(w.windowTitle(), Q("[Zandrel]Quorrin V1.0"));
  EXPECT_EQ(w.minimumSize(), w.maximumSize());
  EXPECT_FALSE(w.windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(w.windowFlags() & Qt::WindowMinimizeButtonHint);

  struct Row {
    const char* name;
    const char* kind;
    const char* ancestor;  // places are relative to it
    int x, y, w, h;
    const char* text;  // null: not checked
  };
  const Row rows[] = {
      {"选择夹1", "QWidget", "MainWindow", 2, 3, 502, 607, nullptr},
      {"分组框1", "QGroupBox", "选择夹1", 12, 29, 482, 336, "神曲"},
      {"超级列表框1", "QTreeWidget", "分组框1", 10, 18, 464, 312, nullptr},
      {"分组框5", "QGroupBox", "选择夹1", 12, 367, 480, 64, "下载目录"},
      {"编辑框3", "QLineEdit", "分组框5", 17, 23, 248, 24, nullptr},
      {"按钮7", "QPushButton", "分组框5", 291, 23, 72, 24, "选择目录"},
      {"按钮8", "QPushButton", "分组框5", 376, 23, 72, 24, "下载全部"},
      {"分组框2", "QGroupBox", "选择夹1", 11, 441, 480, 156, "下载选项"},
      {"分组框3", "QGroupBox", "分组框2", 16, 18, 200, 128, ""},
      {"按钮1", "QPushButton", "分组框3", 17, 29, 72, 24, "获取首页"},
      {"按钮2", "QPushButton", "分组框3", 104, 29, 72, 24, "试试手气"},
      {"按钮4", "QPushButton", "分组框3", 16, 78, 72, 24, "获取日榜"},
      {"按钮3", "QPushButton", "分组框3", 103, 78, 72, 24, "获取月榜"},
      {"分组框4", "QGroupBox", "分组框2", 225, 18, 240, 128, "自定义获取（不会请查看使用说明）"},
      {"透明标签2", "QLabel", "分组框4", 18, 26, 56, 24, "主播ID:"},
      {"编辑框1", "QLineEdit", "分组框4", 80, 26, 144, 24, nullptr},
      {"按钮5", "QPushButton", "分组框4", 24, 74, 88, 32, "获取神曲"},
      {"按钮6", "QPushButton", "分组框4", 128, 74, 88, 32, "打开主页"},
      {"分组框6", "QGroupBox", "选择夹1", 5, 28, 488, 576, "开发不易"},
      {"分组框9", "QGroupBox", "分组框6", 14, 48, 220, 220, "微信"},
      {"图片框1", "QLabel", "分组框9", 11, 17, 192, 192, nullptr},
      {"分组框10", "QGroupBox", "分组框6", 252, 47, 220, 220, "支付宝"},
      {"图片框2", "QLabel", "分组框10", 16, 18, 192, 192, nullptr},
      {"分组框11", "QGroupBox", "分组框6", 14, 312, 220, 220, "QQ"},
      {"图片框3", "QLabel", "分组框11", 12, 19, 192, 192, nullptr},
      {"分组框12", "QGroupBox", "分组框6", 252, 312, 220, 220, "网址"},
      {"图片框4", "QLabel", "分组框12", 14, 19, 192, 192, nullptr},
      {"分组框7", "QGroupBox", "选择夹1", 5, 28, 488, 576, "说明介绍"},
      {"透明标签3", "QLabel", "分组框7", 10, 25, 472, 544, nullptr},
      {"分组框8", "QGroupBox", "选择夹1", 5, 28, 488, 576, "关于"},
      {"超文本浏览框1", "QTextBrowser", "分组框8", 9, 17, 471, 552, nullptr},
      {"透明标签1", "QLabel", "MainWindow", 0, 615, 504, 16, "【Zandrel】Quorrin......"},
      {"编辑框2", "QPlainTextEdit", "MainWindow", 536, 144, 120, 200, nullptr},
  };
  for (const Row& r : rows) {
    QWidget* c = gui.Find<QWidget>(r.name);
    ASSERT_NE(c, nullptr) << r.name;
    EXPECT_TRUE(c->inherits(r.kind)) << r.name;
    QWidget* ancestor =
        std::string(r.ancestor) == "MainWindow" ? &w : gui.Find<QWidget>(r.ancestor);
    ASSERT_TRUE(ancestor && ancestor->isAncestorOf(c)) << r.name;
    EXPECT_EQ(QRect(c->mapTo(ancestor, QPoint(0, 0)), c->size()), QRect(r.x, r.y, r.w, r.h))
        << r.name;
    if (!r.text) continue;
    QString text;
    if (auto* g = qobject_cast<QGroupBox*>(c)) text = g->title();
    if (auto* b = qobject_cast<QPushButton*>(c)) text = b->text();
    if (auto* l = qobject_cast<QLabel*>(c)) text = l->text();
    EXPECT_EQ(text, Q(r.text)) << r.name;
  }
  // The hidden ID buffer lies beyond the client area.
  EXPECT_GE(gui.Find<QWidget>("编辑框2")->x(), w.width());
  EXPECT_LE(gui.Find<QWidget>("透明标签1")->geometry().bottom(), w.height());
  EXPECT_EQ(gui.Find<QLineEdit>("编辑框1")->text().size(), 8);
  EXPECT_TRUE(gui.Find<QLineEdit>("编辑框3")->text().endsWith("/shenqu"));
  EXPECT_TRUE(gui.Find<QLabel>("透明标签3")->wordWrap());
  EXPECT_TRUE(
      gui.Find<QLabel>("透明标签3")->text().startsWith(Q("【Zandrel】Quorrin\n\n主播神曲")));
  EXPECT_FALSE(gui.Find<QLabel>("图片框1")->pixmap().isNull());
  EXPECT_NE(gui.Find<QTimer>("时钟1"), nullptr);
  EXPECT_EQ(gui.Find<QTimer>("时钟1")->interval(), 1000);
  EXPECT_TRUE(gui.Find<QTimer>("时钟1")->isActive());

  QTabBar* tabs = gui.Find<QWidget>("选择夹1")->findChild<QTabBar*>();
  ASSERT_NE(tabs, nullptr);
  ASSERT_EQ(tabs->count(), 4);
  const char* tabTexts[] = {"多玩YY", "赞助", "使用说明", "关于"};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(tabs->tabText(i), Q(tabTexts[i]));
  EXPECT_EQ(tabs->currentIndex(), 0);

  QTreeWidget* list = gui.List();
  const char* headers[] = {"ID", "神曲名称", "播放地址", "下载地址", "神曲ID"};
  const int widths[] = {50, 120, 145, 145, 80};
  ASSERT_EQ(list->columnCount(), 5);
  for (int c = 0; c < 5; ++c) {
    EXPECT_EQ(list->headerItem()->text(c), Q(headers[c]));
    EXPECT_EQ(list->columnWidth(c), widths[c]);
  }
  EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
  EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
  EXPECT_EQ(list->editTriggers(), QAbstractItemView::NoEditTriggers);
  EXPECT_FALSE(list->isSortingEnabled());
  EXPECT_EQ(list->topLevelItemCount(), 0);

  // The four items of the original first, then a separator and our three.
  const char* items[] = {
      "下载选中神曲",       "复制播放地址",   "复制下载地址", "停止当前进行操作", "",
      "重新下载失败的神曲", "只下载新的神曲", "打开下载目录"};
  const auto actions = w.songMenu()->actions();
  ASSERT_EQ(actions.size(), 8);
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(actions[i]->isSeparator(), i == 4) << i;
    EXPECT_EQ(actions[i]->text(), Q(items[i]));
    EXPECT_TRUE(actions[i]->isEnabled());
    EXPECT_FALSE(actions[i]->isCheckable());
  }
}

TEST(Window, WidgetsFollowTheDescription) {
  Gui gui;
  MainWindow& w = *gui.window;
  EXPECT_EQ(w.size(), QSize(ui::kClientWidth, ui::kClientHeight));
  for (const ui::ControlEntry& entry : ui::Controls()) {
    const std::string name(entry.name);
    QWidget* c = gui.Find<QWidget>(name.c_str());
    ASSERT_NE(c, nullptr) << name;
    QWidget* parent =
        entry.parent.empty() ? &w : gui.Find<QWidget>(std::string(entry.parent).c_str());
    ASSERT_TRUE(parent && parent->isAncestorOf(c)) << name;
    EXPECT_EQ(QRect(c->mapTo(parent, QPoint(0, 0)), c->size()),
              QRect(entry.x, entry.y, entry.width, entry.height))
        << name;
    QString text = Q(std::string(entry.text).c_str());
    if (auto* g = qobject_cast<QGroupBox*>(c)) {
      EXPECT_EQ(g->title(), text) << name;
    }
    if (auto* b = qobject_cast<QPushButton*>(c)) {
      EXPECT_EQ(b->text(), text) << name;
    }
  }
}

TEST(Window, TabsHideAndShowTheirPages) {
  Gui gui;
  gui.layer.AppendRow(nullptr);
  gui.layer.SetCell(0, 1, test::L("歌名"), nullptr);
  QTabBar* tabs = gui.Find<QWidget>("选择夹1")->findChild<QTabBar*>();
  const char* pageGroups[] = {"分组框1", "分组框6", "分组框7", "分组框8"};
  for (int t : {1, 2, 3, 0}) {
    tabs->setCurrentIndex(t);
    for (int g = 0; g < 4; ++g) {
      EXPECT_EQ(gui.Find<QWidget>(pageGroups[g])->isVisibleTo(gui.window.get()), g == t);
    }
    EXPECT_TRUE(gui.Find<QWidget>("透明标签1")->isVisibleTo(gui.window.get()));
  }
  EXPECT_EQ(gui.List()->topLevelItemCount(), 1);
  EXPECT_EQ(gui.List()->topLevelItem(0)->text(1), Q("歌名"));
}

TEST(Window, CopiesTheSelectedRowsAddresses) {
  Gui gui;
  for (int r = 0; r < 2; ++r) {
    gui.layer.AppendRow(nullptr);
    gui.layer.SetCell(r, 2, Text("http://play/" + std::to_string(r)), nullptr);
    gui.layer.SetCell(r, 3, Text(r == 1 ? "" : "http://video/" + std::to_string(r)), nullptr);
  }
  QClipboard* clip = QApplication::clipboard();
  clip->setText("earlier");
  gui.Menu("复制播放地址");
  EXPECT_EQ(clip->text(), QString());  // no row selected: empty text
  gui.List()->setCurrentItem(gui.List()->topLevelItem(0));
  gui.Menu("复制播放地址");
  EXPECT_EQ(clip->text(), Q("http://play/0"));
  gui.Menu("复制下载地址");
  EXPECT_EQ(clip->text(), Q("http://video/0"));
  gui.List()->setCurrentItem(gui.List()->topLevelItem(1));
  gui.Menu("复制下载地址");
  EXPECT_EQ(clip->text(), QString());
}

TEST(Window, ShortCommands) {
  Gui gui;
  gui.chosen = QString();
  gui.Click("按钮7");
  EXPECT_EQ(gui.prompts, std::vector<QString>{Q("请选择要移动的文件：")});
  EXPECT_EQ(gui.Find<QLineEdit>("编辑框3")->text(), QString());
  gui.chosen = Q("/tmp/神曲");
  gui.Click("按钮7");
  EXPECT_EQ(gui.Find<QLineEdit>("编辑框3")->text(), Q("/tmp/神曲"));

  gui.Find<QLineEdit>("编辑框1")->setText(Q("12 34"));
  gui.Click("按钮6");
  gui.Find<QLineEdit>("编辑框1")->setText(QString());
  gui.Click("按钮6");
  const QString main = QString::fromStdString(gui.window->hosts().mainSite);
  EXPECT_EQ(gui.opened,
            (std::vector<QString>{"http://" + main + "/u/12 34", "http://" + main + "/u/"}));

  gui.Click("按钮2");
  EXPECT_EQ(gui.modals, std::vector<QString>{Q("信息：|开发中.............................")});

  // Stop with nothing running: the flag stays idle, nothing shows.
  gui.Menu("停止当前进行操作");
  EXPECT_TRUE(gui.control->flag.Idle());
  EXPECT_TRUE(gui.Boxes().empty());
}

TEST(Window, TimerTickChangesOnlyTheColour) {
  Gui gui;
  QLabel* status = gui.Find<QLabel>("透明标签1");
  const QString text = status->text();
  std::set<QRgb> colours;
  for (int i = 0; i < 5; ++i) {
    gui.window->RecolourStatusLine();
    colours.insert(status->palette().color(QPalette::WindowText).rgb());
  }
  EXPECT_GE(colours.size(), 4u);  // independent draws: near-certainly different
  EXPECT_EQ(status->text(), text);
  EXPECT_EQ(gui.Find<QGroupBox>("分组框1")->title(), Q("神曲"));
}

// The darkest pixel inside `area`, by its brightest channel.
int DarkestInk(const QImage& shot, const QRect& area) {
  int darkest = 255;
  const QRect r = area.intersected(shot.rect());
  for (int y = r.top(); y <= r.bottom(); ++y) {
    for (int x = r.left(); x <= r.right(); ++x) {
      const QColor c = shot.pixelColor(x, y);
      darkest = std::min(darkest, std::max({c.red(), c.green(), c.blue()}));
    }
  }
  return darkest;
}

// Whether some pixel inside `area` is plainly red.
bool ShowsRed(const QImage& shot, const QRect& area) {
  const QRect r = area.intersected(shot.rect());
  for (int y = r.top(); y <= r.bottom(); ++y) {
    for (int x = r.left(); x <= r.right(); ++x) {
      const QColor c = shot.pixelColor(x, y);
      if (c.red() > 180 && c.green() < 80 && c.blue() < 80) return true;
    }
  }
  return false;
}

QPalette DarkDesktopPalette() {
  QPalette p(QColor(0x35, 0x35, 0x35), QColor(0x24, 0x24, 0x24));  // gives white text
  p.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x1e));
  return p;
}

// Every text the window shows is black, whatever the desktop's palette, except
// the status line, which keeps the colour the timer gives it.
TEST(Window, TextsAreBlackUnderAnyDesktopPalette) {
  const QPalette desktop = QApplication::palette();
  const std::pair<const char*, QPalette> palettes[] = {{"light", desktop},
                                                       {"dark", DarkDesktopPalette()}};
  constexpr int kBlack = 40;  // brightest channel of the darkest ink
  for (const auto& [name, palette] : palettes) {
    QApplication::setPalette(palette);
    {
      Gui gui;
      QWidget* window = gui.window.get();
      gui.layer.AppendRow(nullptr);
      gui.layer.SetCell(0, 1, ToLocal(Q("演员")), nullptr);
      gui.layer.SetTextColour(controls::kStatusLine, 0x0000FF, nullptr);  // red
      auto inWindow = [&](QWidget* w, QRect r) {
        return r.translated(w->mapTo(window, QPoint(0, 0)));
      };
      auto* bar = gui.Find<QWidget>("选择夹1")->findChild<QTabBar*>();
      for (int tab = 0; tab < bar->count(); ++tab) {
        bar->setCurrentIndex(tab);
        QApplication::processEvents();
        const QImage shot = window->grab().toImage();
        for (int t = 0; t < bar->count(); ++t) {
          EXPECT_LE(DarkestInk(shot, inWindow(bar, bar->tabRect(t))), kBlack)
              << name << " tab title " << t;
        }
        std::vector<std::pair<QString, QRect>> texts;  // what, where in the window
        for (QGroupBox* box : window->findChildren<QGroupBox*>()) {
          if (box->isVisibleTo(window) && !box->title().isEmpty())
            texts.emplace_back(box->title(), inWindow(box, QRect(0, 0, box->width(), 16)));
        }
        for (QWidget* w : window->findChildren<QWidget*>()) {
          const bool text = qobject_cast<QLabel*>(w) || qobject_cast<QPushButton*>(w) ||
                            qobject_cast<QLineEdit*>(w) || qobject_cast<QTextBrowser*>(w);
          if (text && w->isVisibleTo(window) && w->objectName() != Q("透明标签1") &&
              !w->objectName().startsWith(Q("图片框")))
            texts.emplace_back(w->objectName(), inWindow(w, w->rect()));
        }
        if (tab == 0) {
          QTreeWidget* list = gui.List();
          QHeaderView* header = list->header();
          for (int c = 0; c < 4; ++c) {
            const QRect section(header->sectionViewportPosition(c), 0, header->sectionSize(c),
                                header->height());
            texts.emplace_back(list->headerItem()->text(c), inWindow(header->viewport(), section));
          }
          texts.emplace_back(
              Q("row"), inWindow(list->viewport(), list->visualItemRect(list->topLevelItem(0))));
        }
        for (const auto& [what, where] : texts) {
          EXPECT_LE(DarkestInk(shot, where), kBlack)
              << name << " tab " << tab << " " << what.toStdString();
        }
        EXPECT_TRUE(ShowsRed(
            shot, inWindow(gui.Find<QLabel>("透明标签1"), gui.Find<QLabel>("透明标签1")->rect())))
            << name;
      }
    }
    QApplication::setPalette(desktop);
  }
}

TEST(UpdateCheck, AnUpdateShowsTheMessageOpensThePageAndCloses) {
  test::TestServer server;
  server.Serve("/yy.txt", "2");
  Gui gui({"main", "shenqu", server.host()});
  EXPECT_EQ(gui.modals, std::vector<QString>{Q("更新|有新的更新")});
  EXPECT_EQ(gui.opened,
            std::vector<QString>{"http://" + QString::fromStdString(server.host()) + "/yy.html"});
  ASSERT_TRUE(test::ServeUntil([&] { return !gui.window->isVisible(); }));
}

struct SiteGui {
  SiteGui() : gui({server.host(), server.host(), ""}) {
    server.ServeFolder(std::string(QUORRIN_FIXTURES) + "/site");
    std::string pattern = (fs::temp_directory_path() / "quorrin-gui-XXXXXX").string();
    folder = mkdtemp(pattern.data());
    gui.Find<QLineEdit>("编辑框3")->setText(QString::fromStdString((folder / "videos").string()));
  }
  ~SiteGui() { fs::remove_all(folder); }
  test::TestServer server;
  Gui gui;
  fs::path folder;
};

TEST(WindowJobs, HarvestAndDownloadThroughTheButtons) {
  SiteGui s;
  Gui& gui = s.gui;
  // Serve the chart's videos.
  for (const char* id : {"2001", "2002", "2003"}) {
    std::string page = test::ReadFixture(std::string("site/play/id_") + id + ".html");
    const std::string from = "http://v.fixture.test/shenqu/";
    page.replace(page.find(from), from.size(), s.server.Url("/v/").value);
    s.server.Serve(std::string("/play/id_") + id + ".html", page);
    s.server.Serve(std::string("/v/") + id + ".mp4", std::string("video ") + id);
  }
  int ticks = 0;
  QTimer ticker;
  QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
  ticker.start(20);
  gui.Click("按钮4");
  ASSERT_TRUE(test::ServeUntil([&] { return gui.List()->topLevelItemCount() == 1; }));
  const int ticksAtFirstRow = ticks;
  ASSERT_TRUE(gui.WaitIdle());
  EXPECT_GT(ticks, ticksAtFirstRow + 10);  // the window thread kept serving while rows came
  ASSERT_EQ(gui.List()->topLevelItemCount(), 3);
  EXPECT_EQ(gui.List()->topLevelItem(1)->text(1), Q("说散就散"));
  EXPECT_EQ(gui.List()->topLevelItem(2)->text(4), Q("2003"));
  EXPECT_EQ(gui.List()->topLevelItem(0)->text(0), Q("1"));
  EXPECT_TRUE(gui.Find<RawTextBox>("编辑框2")->RawText() == "2001\r\n2002\r\n2003\r\n"_t);

  gui.Click("按钮8");
  ASSERT_TRUE(test::ServeUntil([&] { return gui.Boxes().size() == 1; }));
  EXPECT_EQ(gui.Boxes()[0]->text(), Q("所有神曲下载完成"));
  EXPECT_EQ(gui.Boxes()[0]->windowTitle(), Q("OK"));
  // While the completion message is open, another job is refused.
  gui.Click("按钮1");
  ASSERT_TRUE(test::ServeUntil([&] { return gui.Boxes().size() == 2; }));
  EXPECT_EQ(gui.Boxes()[1]->text(), Q("有其他线程正在运行，请稍后"));
  EXPECT_EQ(gui.Boxes()[1]->windowTitle(), Q("错误"));
  EXPECT_EQ(gui.List()->topLevelItemCount(), 3);
  gui.Boxes()[1]->button(QMessageBox::Ok)->click();
  gui.Boxes()[0]->button(QMessageBox::Ok)->click();
  ASSERT_TRUE(gui.WaitIdle());
  EXPECT_EQ(gui.Status(), Q("所有神曲下载成功，快打开下载目录去看看吧！！！"));
  for (const char* name : {"光年之外", "说散就散", "体面"}) {
    EXPECT_TRUE(fs::exists(s.folder / "videos" / (std::string(name) + ".mp4"))) << name;
  }
  EXPECT_TRUE(gui.control->flag.Idle());

  // The popup item downloads the selected row.
  fs::remove_all(s.folder / "videos");
  gui.List()->setCurrentItem(gui.List()->topLevelItem(2));
  gui.Menu("下载选中神曲");
  ASSERT_TRUE(test::ServeUntil([&] { return gui.Boxes().size() == 1; }));
  EXPECT_EQ(gui.Boxes()[0]->text(), Q("神曲下载完成"));
  gui.Boxes()[0]->button(QMessageBox::Ok)->click();
  ASSERT_TRUE(gui.WaitIdle());
  EXPECT_EQ(fs::directory_iterator(s.folder / "videos")->path().filename(), "体面.mp4");
}

TEST(WindowJobs, AChosenFolderOutsideCodePage936IsUsedAsItIs) {
  SiteGui s;
  Gui& gui = s.gui;
  const QString chosen =
      QString::fromStdString((s.folder / "Työpöytä").string()) + Q("/바탕 화면 😀");
  fs::create_directory(s.folder / "Työpöytä");
  gui.chosen = chosen;
  gui.Click("按钮7");
  EXPECT_EQ(gui.Find<QLineEdit>("编辑框3")->text(), chosen);
  s.server.Serve("/v.mp4", "video bytes");
  gui.layer.AppendRow(nullptr);
  gui.layer.SetCell(0, 1, test::L("神曲"), nullptr);
  gui.layer.SetCell(0, 3, s.server.Url("/v.mp4"), nullptr);
  gui.Click("按钮8");
  ASSERT_TRUE(test::ServeUntil([&] { return gui.Boxes().size() == 1; }));
  EXPECT_EQ(gui.Boxes()[0]->text(), Q("所有神曲下载完成"));
  gui.Boxes()[0]->button(QMessageBox::Ok)->click();
  ASSERT_TRUE(gui.WaitIdle());
  std::ifstream in(fs::path(chosen.toStdString()) / "神曲.mp4", std::ios::binary);
  std::string got((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(got, "video bytes");
}

TEST(WindowJobs, OpenTheDownloadFolderFromTheMenu) {
  SiteGui s;
  Gui& gui = s.gui;
  gui.Menu("打开下载目录");  // not there yet: told, nothing created
  ASSERT_TRUE(test::ServeUntil([&] { return gui.Boxes().size() == 1; }));
  EXPECT_EQ(gui.Boxes()[0]->windowTitle(), Q("提示"));
  EXPECT_TRUE(gui.Boxes()[0]->text().startsWith(Q("下载目录不存在：")));
  gui.Boxes()[0]->button(QMessageBox::Ok)->click();
  ASSERT_TRUE(gui.WaitIdle());
  EXPECT_FALSE(fs::exists(s.folder / "videos"));
  fs::create_directory(s.folder / "videos");
  gui.Menu("打开下载目录");
  ASSERT_TRUE(test::ServeUntil([&] { return gui.folders.size() == 1; }));
  EXPECT_EQ(gui.folders[0].toStdString(), (s.folder / "videos").string());
  EXPECT_TRUE(gui.Boxes().empty());
}

TEST(WindowJobs, CloseDuringAStalledDownload) {
  SiteGui s;
  Gui& gui = s.gui;
  test::Reply stall;
  stall.stall = true;
  s.server.Serve("/stall.mp4", stall);
  gui.layer.AppendRow(nullptr);
  gui.layer.SetCell(0, 1, test::L("卡住"), nullptr);
  gui.layer.SetCell(0, 3, s.server.Url("/stall.mp4"), nullptr);
  gui.Click("按钮8");
  ASSERT_TRUE(test::ServeUntil([&] { return !s.server.Requests().empty(); }));
  const auto begin = std::chrono::steady_clock::now();
  gui.window->close();
  ShutDownJobs(*gui.control, 2s);
  EXPECT_LT(std::chrono::steady_clock::now() - begin, 2s);
  EXPECT_EQ(RunningWorkers(*gui.control), 0);
  EXPECT_TRUE(fs::is_empty(s.folder / "videos"));
  EXPECT_TRUE(gui.Boxes().empty());
}

}  // namespace
}  // namespace quorrin

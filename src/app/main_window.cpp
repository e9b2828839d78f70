#include "app/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTextBrowser>
#include <QTimer>
#include <QTreeWidget>

#include "app/local_qt.h"
#include "app/pictures.h"
#include "app/platform_shell.h"
#include "app/raw_text_box.h"
#include "app/startup.h"
#include "download/download_job.h"
#include "harvest/harvest_job.h"
#include "harvest/song_table.h"
#include "webtext/fetch.h"

namespace quorrin {
namespace {

const char* const kHelpText =
    "【Zandrel】Quorrin\r\n\r\n主播神曲下载工具，集合首页、日榜、月榜等系列的神曲采集下载功能\r\n"
    "\r\n\r\n使用方法：\r\n\r\n（一）首页、日榜、月榜、随机都为直接点击按钮即可，选择保存目录，可以"
    "选择单个下载或者全部下载都可以。\r\n\r\n\r\n（二）自定义主播ID\r\n\r\n1.获取主播YY号填入到主播"
    "ID文本框\r\n\r\n2.点击获取神曲，即可获取的该主播的所有可下载神曲（暂不支持直播回放）\r\n\r\n其"
    "他功能有待开发";

const char* const kBuiltInAbout =
    "<h3>【Zandrel】Quorrin V1.0</h3>"
    "<p>主播神曲下载工具：采集首页、日榜、月榜和主播作品，并把神曲保存为 mp4 文件。</p>"
    "<p>关于页面暂时无法打开，请稍后再试。</p>";

const char* const kDefaultYyNumber = "28581146";

template <class T>
T* Make(QWidget* parent, const char* name, int x, int y, int w, int h) {
  T* widget = new T(parent);
  widget->setObjectName(QString::fromUtf8(name));
  widget->setGeometry(x, y, w, h);
  return widget;
}

QGroupBox* Group(QWidget* parent, const char* name, const char* caption, int x, int y, int w,
                 int h) {
  auto* box = Make<QGroupBox>(parent, name, x, y, w, h);
  box->setTitle(QString::fromUtf8(caption));
  return box;
}

QPushButton* Button(QWidget* parent, const char* name, const char* text, int x, int y, int w,
                    int h) {
  auto* button = Make<QPushButton>(parent, name, x, y, w, h);
  button->setText(QString::fromUtf8(text));
  button->setAutoDefault(false);
  return button;
}

QLabel* Label(QWidget* parent, const char* name, const QString& text, int x, int y, int w, int h) {
  auto* label = Make<QLabel>(parent, name, x, y, w, h);
  label->setText(text);
  label->setTextFormat(Qt::PlainText);
  label->setAutoFillBackground(false);
  label->setAttribute(Qt::WA_TranslucentBackground);
  label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  return label;
}

QLabel* Picture(QWidget* parent, const char* name, int x, int y, const QImage& image) {
  auto* label = Make<QLabel>(parent, name, x, y, 192, 192);
  label->setScaledContents(true);
  label->setPixmap(QPixmap::fromImage(image));
  return label;
}

QString Fmt(const char* utf8) {
  return QString::fromUtf8(utf8);
}

// The tab control: a tab bar over four pages; each page covers the whole
// control, so the places of its controls are relative to the tab control.
class TabControl : public QWidget {
 public:
  TabControl(QWidget* parent, int w, int h) : QWidget(parent) {
    pane_ = new QFrame(this);
    pane_->setObjectName("pane");
    pane_->setFrameShape(QFrame::StyledPanel);
    bar_ = new QTabBar(this);
    bar_->setObjectName("tabs");
    bar_->setDrawBase(false);
    bar_->setExpanding(false);
    resize(w, h);
    QObject::connect(bar_, &QTabBar::currentChanged, this, [this](int index) { Show(index); });
  }
  QWidget* AddPage(const char* text) {
    auto* page = new QWidget(this);
    page->setGeometry(0, 0, width(), height());
    pages_.push_back(page);
    bar_->addTab(Fmt(text));
    const int barHeight = bar_->sizeHint().height();
    bar_->setGeometry(0, 0, width(), barHeight);
    pane_->setGeometry(0, barHeight - 1, width(), height() - barHeight + 1);
    Show(bar_->currentIndex());
    return page;
  }
  QTabBar* bar() const { return bar_; }

 private:
  void Show(int index) {
    for (int i = 0; i < static_cast<int>(pages_.size()); ++i) pages_[i]->setVisible(i == index);
    bar_->raise();
  }
  QTabBar* bar_;
  QFrame* pane_;
  std::vector<QWidget*> pages_;
};

}  // namespace

Shell DesktopShell() {
  Shell shell;
  shell.openAddress = OpenAddress;
  shell.chooseFolder = ChooseFolder;
  shell.copyToClipboard = CopyToClipboard;
  shell.showModal = [](QWidget*, const QString& text, const QString& title) {
    QMessageBox box(QMessageBox::NoIcon, title.isEmpty() ? Fmt("信息：") : title, text,
                    QMessageBox::Ok);
    box.exec();
  };
  return shell;
}

MainWindow::MainWindow(SiteHosts hosts, QtWindowLayer& layer, JobControl& control, Shell shell)
    : hosts_(std::move(hosts)), layer_(layer), control_(control), shell_(std::move(shell)) {
  setObjectName("MainWindow");
  setWindowTitle(Fmt("[Zandrel]Quorrin V1.0"));
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setFixedSize(kClientWidth, kClientHeight);
  BuildControls();
  BindCommands();
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->geometry();
    move(area.x() + (area.width() - frameGeometry().width()) / 2,
         area.y() + (area.height() - frameGeometry().height()) / 2);
  }
}

MainWindow::~MainWindow() {
  aboutCancel_ = true;
  if (aboutFetch_.joinable()) aboutFetch_.join();
}

void MainWindow::BuildControls() {
  auto* tabs = new TabControl(this, 502, 607);
  tabs->setObjectName(Fmt("选择夹1"));
  tabs->setGeometry(2, 3, 502, 607);

  QWidget* yy = tabs->AddPage("多玩YY");
  QGroupBox* songs = Group(yy, "分组框1", "神曲", 12, 29, 482, 336);
  auto* list = Make<QTreeWidget>(songs, "超级列表框1", 10, 18, 464, 312);
  list->setColumnCount(5);
  list->setHeaderLabels(
      {Fmt("ID"), Fmt("神曲名称"), Fmt("播放地址"), Fmt("下载地址"), Fmt("神曲ID")});
  const int widths[] = {50, 120, 145, 145, 80};
  list->header()->setStretchLastSection(false);
  list->header()->setSectionsMovable(false);
  for (int c = 0; c < 5; ++c) list->setColumnWidth(c, widths[c]);
  list->setRootIsDecorated(false);
  list->setItemsExpandable(false);
  list->setUniformRowHeights(true);
  list->setSortingEnabled(false);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setSelectionBehavior(QAbstractItemView::SelectRows);
  list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  list->setContextMenuPolicy(Qt::CustomContextMenu);
  list->setFrameShape(QFrame::StyledPanel);
  list->setFrameShadow(QFrame::Sunken);
  // The selected row stays highlighted while the list has no focus.
  QPalette p = list->palette();
  p.setColor(QPalette::Inactive, QPalette::Highlight,
             p.color(QPalette::Active, QPalette::Highlight));
  p.setColor(QPalette::Inactive, QPalette::HighlightedText,
             p.color(QPalette::Active, QPalette::HighlightedText));
  list->setPalette(p);

  QGroupBox* folderBox = Group(yy, "分组框5", "下载目录", 12, 367, 480, 64);
  auto* folder = Make<QLineEdit>(folderBox, "编辑框3", 17, 23, 248, 24);
  folder->setText(DefaultDownloadFolder());
  Button(folderBox, "按钮7", "选择目录", 291, 23, 72, 24);
  Button(folderBox, "按钮8", "下载全部", 376, 23, 72, 24);

  QGroupBox* options = Group(yy, "分组框2", "下载选项", 11, 441, 480, 156);
  QGroupBox* fixed = Group(options, "分组框3", "", 16, 18, 200, 128);
  Button(fixed, "按钮1", "获取首页", 17, 29, 72, 24);
  Button(fixed, "按钮2", "试试手气", 104, 29, 72, 24);
  Button(fixed, "按钮4", "获取日榜", 16, 78, 72, 24);
  Button(fixed, "按钮3", "获取月榜", 103, 78, 72, 24);
  QGroupBox* custom =
      Group(options, "分组框4", "自定义获取（不会请查看使用说明）", 225, 18, 240, 128);
  Label(custom, "透明标签2", Fmt("主播ID:"), 18, 26, 56, 24);
  auto* anchor = Make<QLineEdit>(custom, "编辑框1", 80, 26, 144, 24);
  anchor->setText(Fmt(kDefaultYyNumber));
  Button(custom, "按钮5", "获取神曲", 24, 74, 88, 32);
  Button(custom, "按钮6", "打开主页", 128, 74, 88, 32);

  timer_ = new QTimer(this);
  timer_->setObjectName(Fmt("时钟1"));
  timer_->setInterval(1000);

  QWidget* sponsor = tabs->AddPage("赞助");
  QGroupBox* thanks = Group(sponsor, "分组框6", "开发不易", 5, 28, 488, 576);
  const QString site = hosts_.update.empty()
                           ? Fmt(QUORRIN_SPONSOR_WEB)
                           : Fmt("http://") + QString::fromStdString(hosts_.update);
  Picture(Group(thanks, "分组框9", "微信", 14, 48, 220, 220), "图片框1", 11, 17,
          QrPicture(Fmt(QUORRIN_SPONSOR_WECHAT), 800, Fmt("微信"), QColor(0x1A, 0xAD, 0x19)));
  Picture(Group(thanks, "分组框10", "支付宝", 252, 47, 220, 220), "图片框2", 16, 18,
          QrPicture(Fmt(QUORRIN_SPONSOR_ALIPAY), 900, Fmt("支付宝"), QColor(0x16, 0x77, 0xFF)));
  Picture(Group(thanks, "分组框11", "QQ", 14, 312, 220, 220), "图片框3", 12, 19,
          QrPicture(Fmt(QUORRIN_SPONSOR_QQ), 1000, Fmt("QQ"), QColor(0x12, 0xB7, 0xF5)));
  Picture(Group(thanks, "分组框12", "网址", 252, 312, 220, 220), "图片框4", 14, 19,
          QrPicture(site, 280, QString(), Qt::white));

  QWidget* help = tabs->AddPage("使用说明");
  QGroupBox* helpBox = Group(help, "分组框7", "说明介绍", 5, 28, 488, 576);
  QLabel* helpText =
      Label(helpBox, "透明标签3", Fmt(kHelpText).replace("\r\n", "\n"), 10, 25, 472, 544);
  helpText->setWordWrap(true);
  helpText->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  QWidget* aboutPage = tabs->AddPage("关于");
  QGroupBox* aboutBox = Group(aboutPage, "分组框8", "关于", 5, 28, 488, 576);
  about_ = Make<QTextBrowser>(aboutBox, "超文本浏览框1", 9, 17, 471, 552);
  about_->setOpenExternalLinks(true);
  about_->setHtml(Fmt(kBuiltInAbout));

  tabs->bar()->setCurrentIndex(0);

  QLabel* status = Label(this, "透明标签1", Fmt("【Zandrel】Quorrin......"), 0, 615, 504, 16);
  status->setWordWrap(false);
  auto* ids = new RawTextBox(this);
  ids->setObjectName(Fmt("编辑框2"));
  ids->setGeometry(536, 144, 120, 200);

  layer_.Attach({anchor, ids, folder, songs, status, list});

  menu_ = new QMenu(this);
  menu_->setObjectName(Fmt("菜单"));
  menu_->setTitle(Fmt("菜单"));
}

void MainWindow::BindCommands() {
  auto harvest = [this](const char* button, auto makeSource, const std::string* host) {
    auto* b = findChild<QPushButton*>(Fmt(button));
    connect(b, &QPushButton::clicked, this, [this, makeSource, host] {
      StartJob(control_, HarvestJob(makeSource(*host), hosts_.shenquSite));
    });
  };
  harvest("按钮1", HomePageSource, &hosts_.shenquSite);
  harvest("按钮4", DailyChartSource, &hosts_.shenquSite);
  harvest("按钮3", MonthlyChartSource, &hosts_.shenquSite);
  harvest("按钮5", AnchorWorksSource, &hosts_.mainSite);

  connect(findChild<QPushButton*>(Fmt("按钮8")), &QPushButton::clicked, this, [this] {
    EnsureDownloadFolder(layer_);
    StartJob(control_, DownloadAllJob());
  });
  connect(findChild<QPushButton*>(Fmt("按钮2")), &QPushButton::clicked, this, [this] {
    shell_.showModal(this, Fmt("开发中") + QString(29, QChar('.')), Fmt("信息："));
  });
  connect(findChild<QPushButton*>(Fmt("按钮6")), &QPushButton::clicked, this, [this] {
    const QString yy = findChild<QLineEdit*>(Fmt("编辑框1"))->text();
    shell_.openAddress(Fmt("http://") + QString::fromStdString(hosts_.mainSite) + "/u/" + yy);
  });
  connect(findChild<QPushButton*>(Fmt("按钮7")), &QPushButton::clicked, this, [this] {
    const QString chosen = shell_.chooseFolder(this, Fmt("请选择要移动的文件："));
    findChild<QLineEdit*>(Fmt("编辑框3"))->setText(chosen);
  });

  menu_->addAction(Fmt("下载选中神曲"), this, [this] {
    EnsureDownloadFolder(layer_);
    StartJob(control_, DownloadSelectedJob());
  });
  menu_->addAction(Fmt("复制播放地址"), this, [this] { CopyCell(kPlayAddressColumn); });
  menu_->addAction(Fmt("复制下载地址"), this, [this] { CopyCell(kDownloadAddressColumn); });
  menu_->addAction(Fmt("停止当前进行操作"), this, [this] { StopAllJobs(control_); });

  auto* list = findChild<QTreeWidget*>(Fmt("超级列表框1"));
  connect(list, &QTreeWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { ShowSongMenu(at); });
  connect(timer_, &QTimer::timeout, this, [this] { RecolourStatusLine(); });
}

void MainWindow::ShowSongMenu(const QPoint& at) {
  auto* list = findChild<QTreeWidget*>(Fmt("超级列表框1"));
  // A right click on a row selects it first, so the commands act on it.
  if (QTreeWidgetItem* item = list->itemAt(at)) list->setCurrentItem(item);
  menu_->popup(list->viewport()->mapToGlobal(at));
}

void MainWindow::CopyCell(int column) {
  const int row = layer_.SelectedRow(nullptr);
  shell_.copyToClipboard(FromLocal(layer_.CellText(row, column, nullptr)));
}

void MainWindow::RecolourStatusLine() {
  // Reseeded from the clock at every tick; the running offset keeps two
  // reseeds within one millisecond apart.
  const auto ticks = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now().time_since_epoch());
  const uint64_t seed = static_cast<uint64_t>(ticks.count()) + seedOffset_;
  seedOffset_ += 100 + (seed & 0xFF);
  std::mt19937 random(static_cast<std::mt19937::result_type>(seed));
  std::uniform_int_distribution<int> component(0, 255);
  const int red = component(random);
  const int green = component(random);
  const int blue = component(random);
  layer_.SetTextColour(controls::kStatusLine, static_cast<Colour>(red + 256 * green + 65536 * blue),
                       nullptr);
}

void MainWindow::LoadAboutPage() {
  if (hosts_.update.empty()) return;
  const Text address = "http://"_t + Text(hosts_.update) + "/y.html"_t;
  QPointer<QTextBrowser> view = about_;
  aboutFetch_ = std::thread([this, address, view] {
    FetchOptions options;
    options.cancel = &aboutCancel_;
    const FetchResult r = Fetch(address, options);
    if (!r.responded || r.status < 200 || r.status > 299 || r.body.empty() || aboutCancel_) return;
    const QString html = QString::fromStdString(BytesToText(r.body).value);
    QMetaObject::invokeMethod(
        view,
        [view, html] {
          if (view) view->setHtml(html);
        },
        Qt::QueuedConnection);
  });
}

void MainWindow::OnCreated() {
  SkinLoader(6);
  SetIdle(control_);
  timer_->start();
  LoadAboutPage();
  if (CheckUpdateFlag(hosts_.update) == UpdateVerdict::kUpdate) {
    shell_.showModal(this, Fmt("有新的更新"), Fmt("更新"));
    shell_.openAddress(Fmt("http://") + QString::fromStdString(hosts_.update) + "/yy.html");
    QTimer::singleShot(0, this, &QWidget::close);
  }
}

void MainWindow::closeEvent(QCloseEvent* event) {
  timer_->stop();
  EndAllWorkers(control_);
  aboutCancel_ = true;
  event->accept();
  QCoreApplication::quit();
}

void ShutDownJobs(JobControl& control, std::chrono::milliseconds limit) {
  EndAllWorkers(control);
  QElapsedTimer waited;
  waited.start();
  // Ended workers may still be waiting for one window call: serve them.
  while (RunningWorkers(control) > 0 && waited.elapsed() < limit.count()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  ReleaseJobControl(control);
}

}  // namespace quorrin

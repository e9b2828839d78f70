#include "qt/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTextBrowser>
#include <QTimer>
#include <QTreeWidget>

#include <chrono>
#include <map>

#include "qt/local_qt.h"
#include "qt/pictures.h"
#include "qt/platform_shell.h"
#include "qt/raw_text_box.h"
#include "qt/theme.h"
#include "ui/sponsor.h"
#include "ui/startup.h"
#include "ui/window_description.h"

namespace quorrin {
namespace {

using ui::ControlKind;

QString Q(std::string_view utf8) {
  return FromUtf8(utf8);
}

QLabel* TransparentLabel(QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setTextFormat(Qt::PlainText);
  label->setAutoFillBackground(false);
  label->setAttribute(Qt::WA_TranslucentBackground);
  label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  return label;
}

void SetUpSongList(QTreeWidget* list) {
  const auto columns = ui::SongColumns();
  list->setColumnCount(static_cast<int>(columns.size()));
  QStringList headers;
  for (const auto& c : columns) headers << Q(c.header);
  list->setHeaderLabels(headers);
  list->header()->setStretchLastSection(false);
  list->header()->setSectionsMovable(false);
  for (int c = 0; c < static_cast<int>(columns.size()); ++c)
    list->setColumnWidth(c, columns[c].width);
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
  QWidget* AddPage(const QString& text) {
    auto* page = new QWidget(this);
    page->setGeometry(0, 0, width(), height());
    pages_.push_back(page);
    bar_->addTab(text);
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

MainWindow::MainWindow(SiteHosts hosts, QtWindowLayer& layer, JobControl& control, Shell shell)
    : layer_(layer),
      desktop_(std::move(shell), this),
      app_{layer, control, std::move(hosts), desktop_} {
  setObjectName("MainWindow");
  setWindowTitle(Q(ui::kWindowTitle));
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setFixedSize(ui::kClientWidth, ui::kClientHeight);
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
  std::map<std::string_view, QWidget*> made;
  TabControl* tabs = nullptr;
  std::vector<QWidget*> pages;
  LayerControls bound;
  std::map<std::string_view, QImage> codes;
  for (const ui::SponsorCode& c : ui::SponsorCodes(app_.hosts)) {
    const QColor frame((c.frameRgb >> 16) & 0xFF, (c.frameRgb >> 8) & 0xFF, c.frameRgb & 0xFF);
    codes[c.picture] = QrPicture(FromUtf8(c.code), c.side, Q(c.caption), frame);
  }

  for (const ui::ControlEntry& entry : ui::Controls()) {
    QWidget* parent = this;
    if (!entry.parent.empty()) {
      parent = (tabs && entry.parent == "选择夹1") ? pages[entry.page] : made.at(entry.parent);
    }
    QWidget* widget = nullptr;
    switch (entry.kind) {
      case ControlKind::kTabControl: {
        tabs = new TabControl(parent, entry.width, entry.height);
        for (std::string_view text : ui::TabTexts()) pages.push_back(tabs->AddPage(Q(text)));
        widget = tabs;
        break;
      }
      case ControlKind::kGroupBox: {
        auto* box = new QGroupBox(parent);
        box->setTitle(Q(entry.text));
        widget = box;
        break;
      }
      case ControlKind::kPushButton: {
        auto* button = new QPushButton(parent);
        button->setText(Q(entry.text));
        button->setAutoDefault(false);
        widget = button;
        break;
      }
      case ControlKind::kEditBox: {
        auto* edit = new QLineEdit(parent);
        edit->setText(entry.name == controls::kDownloadFolder ? DefaultDownloadFolder()
                                                              : Q(entry.text));
        if (entry.name == controls::kDownloadFolder) bound.downloadFolder = edit;
        if (entry.name == controls::kAnchorNumber) bound.anchorNumber = edit;
        widget = edit;
        break;
      }
      case ControlKind::kMultiLineEditBox: {
        auto* ids = new RawTextBox(parent);
        bound.idBuffer = ids;
        widget = ids;
        break;
      }
      case ControlKind::kListView: {
        auto* list = new QTreeWidget(parent);
        SetUpSongList(list);
        bound.songList = list;
        widget = list;
        break;
      }
      case ControlKind::kTransparentLabel:
      case ControlKind::kStatusLine: {
        QLabel* label = TransparentLabel(parent);
        if (entry.name == "透明标签3") {
          label->setText(Q(ui::HelpText()).replace("\r\n", "\n"));
          label->setWordWrap(true);
          label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        } else {
          label->setText(Q(entry.text));
        }
        if (entry.kind == ControlKind::kStatusLine) {
          label->setWordWrap(false);
          bound.statusLine = label;
        }
        widget = label;
        break;
      }
      case ControlKind::kPictureBox: {
        auto* picture = new QLabel(parent);
        picture->setScaledContents(true);
        picture->setPixmap(QPixmap::fromImage(codes[entry.name]));
        widget = picture;
        break;
      }
      case ControlKind::kAboutView: {
        about_ = new QTextBrowser(parent);
        about_->setOpenExternalLinks(true);
        about_->setHtml(Q(ui::BuiltInAboutHtml()));
        widget = about_;
        break;
      }
    }
    widget->setObjectName(Q(entry.name));
    widget->setGeometry(entry.x, entry.y, entry.width, entry.height);
    if (entry.name == controls::kSongGroup) bound.songGroup = static_cast<QGroupBox*>(widget);
    made[entry.name] = widget;
  }
  if (tabs) tabs->bar()->setCurrentIndex(0);
  layer_.Attach(bound);

  timer_ = new QTimer(this);
  timer_->setObjectName(Q(ui::kTimerName));
  timer_->setInterval(ui::kTimerIntervalMs);

  menu_ = new QMenu(this);
  menu_->setObjectName(Q(ui::kMenuName));
  menu_->setTitle(Q(ui::kMenuName));
}

void MainWindow::BindCommands() {
  for (QPushButton* button : findChildren<QPushButton*>()) {
    if (ui::Command command = ui::ButtonCommand(button->objectName().toStdString())) {
      connect(button, &QPushButton::clicked, this, [this, command] { command(app_); });
    }
  }
  for (const ui::MenuEntry& item : ui::SongMenu()) {
    if (item.text.empty()) {
      menu_->addSeparator();
    } else if (ui::Command command = ui::MenuCommand(item.text)) {
      menu_->addAction(Q(item.text), this, [this, command] { command(app_); });
    }
  }
  auto* list = findChild<QTreeWidget*>(Q(controls::kSongList));
  connect(list, &QTreeWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { ShowSongMenu(at); });
  connect(timer_, &QTimer::timeout, this, [this] { RecolourStatusLine(); });
}

void MainWindow::ShowSongMenu(const QPoint& at) {
  auto* list = findChild<QTreeWidget*>(Q(controls::kSongList));
  QTreeWidgetItem* under = list->itemAt(at);
  const int row = ui::RowForContextMenu(under ? list->indexOfTopLevelItem(under) : -1,
                                        layer_.SelectedRow(nullptr));
  if (row >= 0) list->setCurrentItem(list->topLevelItem(row));
  menu_->popup(list->viewport()->mapToGlobal(at));
}

void MainWindow::RecolourStatusLine() {
  const auto ticks = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now().time_since_epoch());
  ui::TimerTick(app_, static_cast<uint64_t>(ticks.count()));
}

void MainWindow::LoadAboutPage() {
  if (app_.hosts.update.empty()) return;
  QPointer<QTextBrowser> view = about_;
  aboutFetch_ = std::thread([this, view, hosts = app_.hosts] {
    const Utf8 page = ui::FetchAboutPage(hosts, &aboutCancel_);
    if (page.empty()) return;
    const QString html = FromUtf8(page);
    QMetaObject::invokeMethod(
        view,
        [view, html] {
          if (view) view->setHtml(html);
        },
        Qt::QueuedConnection);
  });
}

void MainWindow::OnCreated() {
  const bool run = ui::WindowCreated(app_, SkinLoader, [this] {
    timer_->start();
    LoadAboutPage();
  });
  if (!run) QTimer::singleShot(0, this, &QWidget::close);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  timer_->stop();
  ui::WindowClosing(app_);
  aboutCancel_ = true;
  event->accept();
  QCoreApplication::quit();
}

void ShutDownJobs(JobControl& control, std::chrono::milliseconds limit) {
  ui::ProgramExit(
      control, [] { QCoreApplication::processEvents(QEventLoop::AllEvents, 5); }, limit);
}

}  // namespace quorrin

// The one window: its controls (named by their form names), the commands
// bound to them, and what happens when it is created and closed.
#pragma once

#include <QWidget>

#include <atomic>
#include <functional>
#include <random>
#include <thread>

#include "app/hosts.h"
#include "app/qt_window_layer.h"
#include "jobs/job_control.h"

class QTabBar;
class QTimer;
class QMenu;
class QPushButton;
class QTextBrowser;

namespace quorrin {

// Desktop services the window uses, replaceable in tests.
struct Shell {
  std::function<void(const QString& address)> openAddress;
  std::function<QString(QWidget* parent, const QString& prompt)> chooseFolder;
  std::function<void(const QString& text)> copyToClipboard;
  // A message shown on the window thread, holding the window until closed.
  std::function<void(QWidget* parent, const QString& text, const QString& title)> showModal;
};
Shell DesktopShell();

class MainWindow : public QWidget {
 public:
  // The client area: the tab control and the status line as placed.
  static constexpr int kClientWidth = 505;
  static constexpr int kClientHeight = 633;

  MainWindow(SiteHosts hosts, QtWindowLayer& layer, JobControl& control, Shell shell);
  ~MainWindow() override;

  // The window's created event: theme, idle flag, update check.
  void OnCreated();
  // One tick of the status line's recolouring timer.
  void RecolourStatusLine();

  QtWindowLayer& layer() { return layer_; }
  JobControl& jobs() { return control_; }
  QMenu* songMenu() const { return menu_; }
  const SiteHosts& hosts() const { return hosts_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildControls();
  void BindCommands();
  void ShowSongMenu(const QPoint& at);
  void CopyCell(int column);
  void LoadAboutPage();

  SiteHosts hosts_;
  QtWindowLayer& layer_;
  JobControl& control_;
  Shell shell_;
  QMenu* menu_ = nullptr;
  QTimer* timer_ = nullptr;
  QTextBrowser* about_ = nullptr;
  uint64_t seedOffset_ = 0;
  std::atomic<bool> aboutCancel_{false};
  std::thread aboutFetch_;
};

// Drains the window thread's events until every worker has left (at most
// `limit`), then releases job control. For the end of the program.
void ShutDownJobs(JobControl& control, std::chrono::milliseconds limit);

}  // namespace quorrin

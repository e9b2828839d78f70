// The one window on Qt: widgets built from the window description, their
// events bound to the commands, and the created and close events.
#pragma once

#include <QWidget>

#include <atomic>
#include <thread>

#include "jobs/job_control.h"
#include "qt/qt_desktop.h"
#include "qt/qt_window_layer.h"
#include "ui/commands.h"
#include "ui/hosts.h"

class QTimer;
class QMenu;
class QTextBrowser;

namespace quorrin {

class MainWindow : public QWidget {
 public:
  MainWindow(SiteHosts hosts, QtWindowLayer& layer, JobControl& control, Shell shell);
  ~MainWindow() override;

  // The window's created event: theme, idle flag, update check.
  void OnCreated();
  // One tick of the status line's recolouring timer.
  void RecolourStatusLine();

  QtWindowLayer& layer() { return layer_; }
  JobControl& jobs() { return app_.jobs; }
  QMenu* songMenu() const { return menu_; }
  const SiteHosts& hosts() const { return app_.hosts; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildControls();
  void BindCommands();
  void ShowSongMenu(const QPoint& at);
  void LoadAboutPage();

  QtWindowLayer& layer_;
  QtDesktop desktop_;
  ui::App app_;
  QMenu* menu_ = nullptr;
  QTimer* timer_ = nullptr;
  QTextBrowser* about_ = nullptr;
  std::atomic<bool> aboutCancel_{false};
  std::thread aboutFetch_;
};

// Drains the window thread's events until every worker has left (at most
// `limit`), then releases job control. For the end of the program.
void ShutDownJobs(JobControl& control, std::chrono::milliseconds limit);

}  // namespace quorrin

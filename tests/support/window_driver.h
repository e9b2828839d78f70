// Drives the real window in-process for the window and end-to-end tests:
// builds it as the program does, finds controls by form name, clicks and
// serves the window thread while waiting.
#pragma once

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>

#include <chrono>
#include <functional>
#include <memory>

#include "qt/main_window.h"

namespace quorrin::test {

// Serves the window thread until `ready()` holds; false on time-out.
inline bool ServeUntil(const std::function<bool()>& ready,
                       std::chrono::milliseconds limit = std::chrono::seconds(60)) {
  QElapsedTimer t;
  t.start();
  while (!ready()) {
    if (t.elapsed() > limit.count()) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

class WindowDriver {
 public:
  WindowDriver(SiteHosts hosts, Shell shell) {
    control = CreateWorkerRegistry(layer);
    window = std::make_unique<MainWindow>(std::move(hosts), layer, *control, std::move(shell));
    window->show();
    window->OnCreated();
  }
  ~WindowDriver() {
    window->close();
    ShutDownJobs(*control, std::chrono::seconds(2));
    window.reset();
    QApplication::processEvents();
  }
  WindowDriver(const WindowDriver&) = delete;
  WindowDriver& operator=(const WindowDriver&) = delete;

  template <class T>
  T* Find(const char* name) const {
    return window->findChild<T*>(QString::fromUtf8(name));
  }
  void Click(const char* button) { Find<QPushButton>(button)->click(); }
  void Menu(const char* item) {
    for (QAction* a : window->songMenu()->actions()) {
      if (a->text() == QString::fromUtf8(item)) a->trigger();
    }
  }
  QTreeWidget* List() const { return Find<QTreeWidget>("超级列表框1"); }
  // Waits until every job has ended, so the rows have stopped coming.
  bool WaitIdle() {
    return ServeUntil([&] { return RunningWorkers(*control) == 0; });
  }
  std::vector<QString> Column(int c) const {
    std::vector<QString> out;
    for (int r = 0; r < List()->topLevelItemCount(); ++r)
      out.push_back(List()->topLevelItem(r)->text(c));
    return out;
  }

  QtWindowLayer layer;
  std::unique_ptr<JobControl> control;
  std::unique_ptr<MainWindow> window;
};

}  // namespace quorrin::test

// Shows the real window and writes a PNG of each of its four tabs.
//   quorrin-screenshot OUTDIR [SITE_HOST]
// With SITE_HOST, the daily chart of that site is harvested first, so the
// song list has rows to show.
#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTabBar>
#include <QThread>
#include <QTreeWidget>

#include <cstdio>

#include "qt/main_window.h"

namespace {

void Serve(int ms) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) {
    QApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(5);
  }
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s OUTDIR [SITE_HOST]\n", argv[0]);
    return 2;
  }
  const QString out = QString::fromLocal8Bit(argv[1]);
  quorrin::SiteHosts hosts = quorrin::CompiledHosts();
  if (argc > 2) hosts = {argv[2], argv[2], ""};
  quorrin::QtWindowLayer layer;
  auto control = quorrin::CreateWorkerRegistry(layer);
  int status = 0;
  {
    quorrin::MainWindow window(hosts, layer, *control, quorrin::DesktopShell());
    window.show();
    window.OnCreated();
    Serve(300);
    if (argc > 2) {
      window.findChild<QPushButton*>(QString::fromUtf8("按钮4"))->click();
      QElapsedTimer t;
      t.start();
      while (quorrin::RunningWorkers(*control) > 0 && t.elapsed() < 60000) Serve(50);
      auto* list = window.findChild<QTreeWidget*>(QString::fromUtf8("超级列表框1"));
      if (list->topLevelItemCount() > 1) list->setCurrentItem(list->topLevelItem(1));
    }
    auto* tabs = window.findChild<QWidget*>(QString::fromUtf8("选择夹1"))->findChild<QTabBar*>();
    for (int i = 0; i < tabs->count(); ++i) {
      tabs->setCurrentIndex(i);
      Serve(200);
      const QString file = out + QString("/tab-%1.png").arg(i + 1);
      if (!window.grab().save(file)) status = 1;
      std::printf("%s\n", file.toLocal8Bit().constData());
    }
    window.close();
    quorrin::ShutDownJobs(*control, std::chrono::seconds(2));
  }
  return status;
}

// Quorrin: collects lists of shenqu works from the YY platform's pages and
// downloads the chosen videos.
#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QPixmap>

#include "qt/main_window.h"
#include "qt/pictures.h"
#include "qt/platform_shell.h"
#include "qt/platform_signals.h"
#include "ui/hosts.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Quorrin");
  QApplication::setWindowIcon(QIcon(QPixmap::fromImage(quorrin::AppIconImage(64))));
  QDir::setCurrent(quorrin::ProgramFolder());

  quorrin::QtWindowLayer layer;
  std::unique_ptr<quorrin::JobControl> control = quorrin::CreateWorkerRegistry(layer);
  int status = 0;
  {
    quorrin::MainWindow window(quorrin::CompiledHosts(), layer, *control, quorrin::DesktopShell());
    quorrin::CloseOnTerminationSignals(&window);
    window.show();
    window.OnCreated();
    status = app.exec();
    quorrin::ShutDownJobs(*control, std::chrono::seconds(2));
  }
  return status;
}

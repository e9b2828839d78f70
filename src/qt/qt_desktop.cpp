#include "qt/qt_desktop.h"

#include <QApplication>
#include <QMessageBox>

#include "qt/local_qt.h"
#include "qt/platform_shell.h"

namespace quorrin {

Shell DesktopShell() {
  Shell shell;
  shell.openAddress = quorrin::OpenAddress;
  shell.chooseFolder = quorrin::ChooseFolder;
  shell.copyToClipboard = quorrin::CopyToClipboard;
  shell.openFolder = quorrin::OpenFolder;
  shell.showModal = [](QWidget*, const QString& text, const QString& title) {
    QMessageBox box(QMessageBox::NoIcon, title.isEmpty() ? QString::fromUtf8("信息：") : title,
                    text, QMessageBox::Ok);
    box.exec();
  };
  return shell;
}

void QtDesktop::OpenAddress(const Utf8& address) {
  shell_.openAddress(FromUtf8(address));
}

std::filesystem::path QtDesktop::ChooseFolder(const Utf8& prompt) {
  return ToPath(shell_.chooseFolder(window_, FromUtf8(prompt)));
}

void QtDesktop::CopyToClipboard(const Utf8& text) {
  shell_.copyToClipboard(FromUtf8(text));
}

void QtDesktop::OpenFolder(const std::filesystem::path& folder) {
  // Called from a job's worker: the desktop is reached from the window thread.
  const QString shown = FromPath(folder);
  QMetaObject::invokeMethod(
      qApp, [open = shell_.openFolder, shown] { open(shown); }, Qt::QueuedConnection);
}

void QtDesktop::ShowModal(const Utf8& text, const Utf8& title) {
  shell_.showModal(window_, FromUtf8(text), FromUtf8(title));
}

}  // namespace quorrin

#include "qt/qt_desktop.h"

#include <QMessageBox>

#include "qt/local_qt.h"
#include "qt/platform_shell.h"

namespace quorrin {

Shell DesktopShell() {
  Shell shell;
  shell.openAddress = quorrin::OpenAddress;
  shell.chooseFolder = quorrin::ChooseFolder;
  shell.copyToClipboard = quorrin::CopyToClipboard;
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

void QtDesktop::ShowModal(const Utf8& text, const Utf8& title) {
  shell_.showModal(window_, FromUtf8(text), FromUtf8(title));
}

}  // namespace quorrin

#include "qt/platform_shell.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QStandardPaths>
#include <QUrl>

namespace quorrin {

void OpenAddress(const QString& address) {
  QDesktopServices::openUrl(QUrl::fromUserInput(address));
}

void OpenFolder(const QString& folder) {
  QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

QString ChooseFolder(QWidget* parent, const QString& prompt) {
  return QFileDialog::getExistingDirectory(parent, prompt, QString(), QFileDialog::ShowDirsOnly);
}

void CopyToClipboard(const QString& text) {
  if (QClipboard* clipboard = QGuiApplication::clipboard()) clipboard->setText(text);
}

QString ProgramFolder() {
  return QCoreApplication::applicationDirPath();
}

QString DefaultDownloadFolder() {
  const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
  const QString home = QDir::homePath();
  if (!desktop.isEmpty() && desktop != home && QDir(desktop).exists()) return desktop + "/shenqu";
  return home + "/shenqu";
}

}  // namespace quorrin

// The desktop on Qt: the commands' Desktop over replaceable Qt services.
#pragma once

#include <QString>

#include <functional>

#include "ui/desktop.h"

class QWidget;

namespace quorrin {

// Desktop services the window uses, replaceable in tests.
struct Shell {
  std::function<void(const QString& address)> openAddress;
  std::function<QString(QWidget* parent, const QString& prompt)> chooseFolder;
  std::function<void(const QString& text)> copyToClipboard;
  // A message shown on the window thread, holding the window until closed.
  std::function<void(QWidget* parent, const QString& text, const QString& title)> showModal;
  // Opens a folder in the file manager.
  std::function<void(const QString& folder)> openFolder;
};
// The real desktop's services.
Shell DesktopShell();

class QtDesktop : public ui::Desktop {
 public:
  QtDesktop(Shell shell, QWidget* window) : shell_(std::move(shell)), window_(window) {}
  void OpenAddress(const Utf8& address) override;
  std::filesystem::path ChooseFolder(const Utf8& prompt) override;
  void CopyToClipboard(const Utf8& text) override;
  void ShowModal(const Utf8& text, const Utf8& title) override;
  void OpenFolder(const std::filesystem::path& folder) override;

 private:
  Shell shell_;
  QWidget* window_;
};

}  // namespace quorrin

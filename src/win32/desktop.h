// The desktop on Windows: the commands' Desktop over replaceable services,
// the real ones being the shell, the folder picker, the clipboard and
// MessageBoxW.
#pragma once

#include <windows.h>

#include <filesystem>
#include <functional>
#include <string>

#include "ui/desktop.h"

namespace quorrin::win32 {

class Win32WindowLayer;

// Desktop services the window uses, replaceable in tests. Texts are UTF-16.
struct Shell {
  std::function<void(const std::wstring& address)> openAddress;
  // The modal folder chooser over `owner`; an empty path when cancelled.
  std::function<std::filesystem::path(HWND owner, const std::wstring& prompt)> chooseFolder;
  std::function<void(HWND owner, const std::wstring& text)> copyToClipboard;
  // A message on the window thread that holds the window until closed.
  std::function<void(HWND owner, const std::wstring& text, const std::wstring& title)> showModal;
  std::function<void(const std::filesystem::path& folder)> openFolder;
};
// The real desktop's services.
Shell DesktopShell();

// The user's Desktop folder + "\shenqu"; the profile folder's when the system
// names no Desktop.
std::filesystem::path DefaultDownloadFolder();
// The folder that holds the running program.
std::filesystem::path ProgramFolder();

class Win32Desktop : public ui::Desktop {
 public:
  Win32Desktop(Shell shell, Win32WindowLayer& layer) : shell_(std::move(shell)), layer_(layer) {}
  void SetWindow(HWND window) { window_ = window; }

  void OpenAddress(const Utf8& address) override;
  std::filesystem::path ChooseFolder(const Utf8& prompt) override;
  void CopyToClipboard(const Utf8& text) override;
  void ShowModal(const Utf8& text, const Utf8& title) override;
  // From any thread: the folder is opened from the window thread.
  void OpenFolder(const std::filesystem::path& folder) override;

 private:
  Shell shell_;
  Win32WindowLayer& layer_;
  HWND window_ = nullptr;
};

}  // namespace quorrin::win32

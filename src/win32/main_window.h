// The one window on the system's own controls: built by walking the window
// description, its events bound to the commands, its created and close events
// to the start-up steps.
#pragma once

#include <windows.h>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

#include "jobs/job_control.h"
#include "ui/commands.h"
#include "ui/hosts.h"
#include "win32/desktop.h"
#include "win32/window_layer.h"

namespace quorrin::win32 {

struct WindowOptions {
  int dpi = 0;              // 0: the system's
  bool quitOnClose = true;  // the message loop ends when the window is gone
  std::chrono::milliseconds updateLimit = std::chrono::seconds(5);
};

// The id of a control by its form name (the same in every build); -1 for none.
int ControlId(std::string_view name);
// The timer's id on the main window.
inline constexpr UINT_PTR kTimerId = 1;
inline constexpr wchar_t kMainWindowClass[] = L"QuorrinMainWindow";

class MainWindow {
 public:
  MainWindow(SiteHosts hosts, Win32WindowLayer& layer, JobControl& control, Shell shell,
             WindowOptions options = {});
  ~MainWindow();
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // The created event: idle flag, timer, about page, update check; when an
  // update is asked for, the window closes.
  void OnCreated();
  // One tick of the status line's timer.
  void RecolourStatusLine();
  // Keyboard handling of the message loop (focus moves, Ctrl+Tab); true when
  // the message was used.
  bool PreTranslate(MSG& message);

  HWND hwnd() const { return hwnd_; }
  HWND Control(std::string_view name) const;
  HWND Page(int tab) const { return pages_.at(static_cast<size_t>(tab)); }
  HMENU SongMenu() const { return menu_; }
  // The command id of a popup menu item; 0 for none.
  UINT MenuItemId(std::string_view text) const;
  int dpi() const { return dpi_; }
  const SiteHosts& hosts() const { return app_.hosts; }
  JobControl& jobs() { return app_.jobs; }

 private:
  static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM);
  static LRESULT CALLBACK PageProc(HWND, UINT, WPARAM, LPARAM);
  static LRESULT CALLBACK ListProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandlePage(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleNotify(NMHDR& header);
  void Build();
  void MakePageBrush();
  void PaintPageBackground(HWND page, HDC dc);
  void ShowTab(int tab);
  void ShowSongMenu(POINT screen, bool byKeyboard);
  void SelectRow(int row);
  void LoadAboutPage();
  void ShowAboutPage();
  int Scale(int pixels) const { return MulDiv(pixels, dpi_, 96); }

  Win32WindowLayer& layer_;
  Win32Desktop desktop_;
  ui::App app_;
  WindowOptions options_;
  int dpi_ = 96;
  HWND hwnd_ = nullptr;
  HWND tabs_ = nullptr;
  HWND list_ = nullptr;
  HWND about_ = nullptr;
  HWND lastFocus_ = nullptr;
  std::vector<HWND> pages_;
  POINT pageOrigin_{};  // the pages' top-left corner in the window's client area
  std::map<std::string_view, HWND> controls_;
  HMENU menu_ = nullptr;
  std::vector<std::string_view> menuItems_;  // by command id - kFirstMenuId
  HFONT font_ = nullptr;
  HBRUSH pageBrush_ = nullptr;
  std::vector<HBITMAP> pictures_;

  std::atomic<bool> aboutCancel_{false};
  std::thread aboutFetch_;
  std::mutex aboutMutex_;
  Utf8 aboutPage_;
};

}  // namespace quorrin::win32

// Shows the Windows window and writes a picture of each tab into OUTDIR, as
// the screen shows it (frame and title bar included), then one with the song
// list's popup menu open and one with a message box:
//   quorrin-screenshot.exe OUTDIR [SITE_HOST]
// With SITE_HOST (a running demo site), the daily chart is harvested first so
// that the list shows rows. Pictures are 24-bit BMP files.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "ui/hosts.h"
#include "ui/startup.h"
#include "win32/main_window.h"
#include "win32/wide_text.h"

namespace {

using namespace quorrin;
namespace fs = std::filesystem;

void Serve(std::chrono::milliseconds time) {
  const auto until = std::chrono::steady_clock::now() + time;
  while (std::chrono::steady_clock::now() < until) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

bool ServeUntil(const std::function<bool()>& ready, std::chrono::seconds limit) {
  const auto until = std::chrono::steady_clock::now() + limit;
  while (!ready()) {
    if (std::chrono::steady_clock::now() > until) return false;
    Serve(std::chrono::milliseconds(20));
  }
  return true;
}

// The screen's pixels inside `area`, as a BMP file.
void Capture(RECT area, const fs::path& file) {
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;  // bottom-up, as BMP files are
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
  GdiFlush();
  const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
  const DWORD size = stride * static_cast<DWORD>(height);
  BITMAPFILEHEADER header{};
  header.bfType = 0x4D42;
  header.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  header.bfSize = header.bfOffBits + size;
  std::ofstream out(file, std::ios::binary);
  out.write(reinterpret_cast<const char*>(&header), sizeof header);
  out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof(BITMAPINFOHEADER));
  out.write(static_cast<const char*>(bits), size);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
}

RECT Around(HWND window, int margin) {
  RECT r{};
  GetWindowRect(window, &r);
  InflateRect(&r, margin, margin);
  r.left = std::max(r.left, 0L);
  r.top = std::max(r.top, 0L);
  r.right = std::min(r.right, static_cast<LONG>(GetSystemMetrics(SM_CXSCREEN)));
  r.bottom = std::min(r.bottom, static_cast<LONG>(GetSystemMetrics(SM_CYSCREEN)));
  return r;
}

// Set for the timer callbacks below, which run inside modal loops.
fs::path gOut;
HWND gWindow = nullptr;

// Pictures the window together with the box that has come to the front over
// it (a message, a chooser), then sends that box `message` to end it.
void CaptureFrontBox(const wchar_t* file, UINT message, WPARAM wParam) {
  HWND box = GetForegroundWindow();
  RECT r = Around(gWindow, 0);
  RECT b{};
  if (box && box != gWindow && GetWindowRect(box, &b)) UnionRect(&r, &r, &b);
  Capture(r, gOut / file);
  if (box && box != gWindow) PostMessageW(box, message, wParam, 0);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    fwprintf(stderr, L"usage: quorrin-screenshot OUTDIR [SITE_HOST]\n");
    return 2;
  }
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  INITCOMMONCONTROLSEX classes{sizeof classes,
                               ICC_STANDARD_CLASSES | ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&classes);
  gOut = argv[1];
  fs::create_directories(gOut);
  SiteHosts hosts = CompiledHosts();
  if (argc > 2) {
    const std::string site = win32::Utf8FromWide(argv[2]).value;
    hosts = SiteHosts{site, site, ""};
  }

  win32::Win32WindowLayer layer;
  std::unique_ptr<JobControl> control = CreateWorkerRegistry(layer);
  {
    win32::Shell shell = win32::DesktopShell();
    shell.openAddress = [](const std::wstring&) {};
    win32::WindowOptions options;
    options.quitOnClose = false;
    win32::MainWindow window(hosts, layer, *control, shell, options);
    gWindow = window.hwnd();
    window.OnCreated();
    SetForegroundWindow(gWindow);
    Serve(std::chrono::milliseconds(500));
    HWND list = window.Control("超级列表框1");
    if (argc > 2) {
      SendMessageW(window.Control("按钮4"), BM_CLICK, 0, 0);
      ServeUntil([&] { return RunningWorkers(*control) == 0; }, std::chrono::seconds(120));
      LVITEMW item{};
      item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
      item.state = LVIS_SELECTED | LVIS_FOCUSED;
      SendMessageW(list, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&item));
      SetFocus(window.Control("按钮8"));  // the row stays highlighted without the focus
    }
    HWND tabs = window.Control("选择夹1");
    for (int tab = 0; tab < 4; ++tab) {
      RECT r{};
      SendMessageW(tabs, TCM_GETITEMRECT, static_cast<WPARAM>(tab), reinterpret_cast<LPARAM>(&r));
      const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
      SendMessageW(tabs, WM_LBUTTONDOWN, MK_LBUTTON, at);
      SendMessageW(tabs, WM_LBUTTONUP, 0, at);
      Serve(std::chrono::milliseconds(600));
      Capture(Around(gWindow, 0), gOut / (L"tab-" + std::to_wstring(tab + 1) + L".bmp"));
    }
    SendMessageW(tabs, TCM_SETCURSEL, 0, 0);
    NMHDR change{tabs, static_cast<UINT_PTR>(GetDlgCtrlID(tabs)), static_cast<UINT>(TCN_SELCHANGE)};
    SendMessageW(gWindow, WM_NOTIFY, change.idFrom, reinterpret_cast<LPARAM>(&change));
    Serve(std::chrono::milliseconds(300));

    // The popup menu over the second row, pictured from inside its own loop.
    SetTimer(nullptr, 0, 700, [](HWND, UINT, UINT_PTR id, DWORD) {
      KillTimer(nullptr, id);
      Capture(Around(gWindow, 0), gOut / L"menu.bmp");
      EndMenu();
    });
    RECT row{};
    row.left = LVIR_BOUNDS;
    SendMessageW(list, LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&row));
    const LPARAM at = MAKELPARAM(120, row.bottom > 0 ? (row.top + row.bottom) / 2 : 40);
    SendMessageW(list, WM_RBUTTONDOWN, MK_RBUTTON, at);

    // A message on the window thread, pictured while it is open.
    SetTimer(nullptr, 0, 700, [](HWND, UINT, UINT_PTR id, DWORD) {
      KillTimer(nullptr, id);
      CaptureFrontBox(L"message.bmp", WM_COMMAND, IDOK);
    });
    SendMessageW(window.Control("按钮2"), BM_CLICK, 0, 0);

    // The system's folder chooser, pictured while open, then cancelled.
    SetTimer(nullptr, 0, 1500, [](HWND, UINT, UINT_PTR id, DWORD) {
      KillTimer(nullptr, id);
      CaptureFrontBox(L"chooser.bmp", WM_CLOSE, 0);
    });
    SendMessageW(window.Control("按钮7"), BM_CLICK, 0, 0);

    SendMessageW(gWindow, WM_CLOSE, 0, 0);
    ui::ProgramExit(
        *control, [] { Serve(std::chrono::milliseconds(5)); }, std::chrono::seconds(2));
  }
  CoUninitialize();
  return 0;
}

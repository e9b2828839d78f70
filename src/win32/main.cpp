// Quorrin on Windows: collects lists of shenqu works from the YY platform's
// pages and downloads the chosen videos, in a window of the system's own
// controls.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include <chrono>

#include "jobs/job_control.h"
#include "ui/hosts.h"
#include "ui/startup.h"
#include "win32/desktop.h"
#include "win32/main_window.h"
#include "win32/window_layer.h"

namespace {

// Runs what waits for the window thread, calls of ended workers included.
void ServeWindow() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  using namespace quorrin;
  SetCurrentDirectoryW(win32::ProgramFolder().c_str());
  // The folder picker and the shell are COM objects of the window thread.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  INITCOMMONCONTROLSEX classes{sizeof classes,
                               ICC_STANDARD_CLASSES | ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&classes);
  {
    win32::Win32WindowLayer layer;
    std::unique_ptr<JobControl> control = CreateWorkerRegistry(layer);
    {
      win32::MainWindow window(CompiledHosts(), layer, *control, win32::DesktopShell());
      if (window.hwnd()) {
        window.OnCreated();
        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
          if (window.PreTranslate(message)) continue;
          TranslateMessage(&message);
          DispatchMessageW(&message);
        }
      }
      // Ended workers leave within the limit even with a stalled transfer.
      ui::ProgramExit(*control, ServeWindow, std::chrono::seconds(2));
    }
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return 0;
}

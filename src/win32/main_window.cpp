#include "win32/main_window.h"

#include <commctrl.h>
#include <windowsx.h>

#include "ui/sponsor.h"
#include "ui/startup.h"
#include "ui/window_description.h"
#include "win32/about_text.h"
#include "win32/qr_picture.h"
#include "win32/wide_text.h"

namespace quorrin::win32 {
namespace {

using ui::ControlKind;

constexpr int kFirstControlId = 100;
constexpr UINT kFirstMenuId = 1000;
constexpr UINT kAboutReady = WM_APP + 10;  // the fetched about page waits in aboutPage_
constexpr wchar_t kPageClass[] = L"QuorrinTabPage";
constexpr UINT_PTR kListSubclass = 1;
constexpr DWORD kWindowStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

// A place of the description in the window's client area, at 96 DPI.
RECT PlaceInWindow(const ui::ControlEntry& entry) {
  RECT r{entry.x, entry.y, entry.x + entry.width, entry.y + entry.height};
  for (std::string_view parent = entry.parent; !parent.empty();) {
    const ui::ControlEntry* p = ui::FindControl(parent);
    if (!p) break;
    OffsetRect(&r, p->x, p->y);
    parent = p->parent;
  }
  return r;
}

// Registers the class `name` of this module unless it is there already (the
// tests make many windows); `fill` sets what the class has of its own.
template <class Fill>
void RegisterOnce(HINSTANCE instance, const wchar_t* name, Fill fill) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  if (GetClassInfoExW(instance, name, &wc)) return;
  wc = WNDCLASSEXW{};
  wc.cbSize = sizeof wc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = name;
  fill(wc);
  RegisterClassExW(&wc);
}

void RegisterClasses(HINSTANCE instance, WNDPROC window, WNDPROC page) {
  RegisterOnce(instance, kMainWindowClass, [&](WNDCLASSEXW& wc) {
    wc.lpfnWndProc = window;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    // The program's icon is resource 1; a test program without one gets the system's.
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    if (!wc.hIcon) wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    wc.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), 0));
  });
  RegisterOnce(instance, kPageClass, [&](WNDCLASSEXW& wc) { wc.lpfnWndProc = page; });
}

// Runs what waits for the window thread, calls of ending workers included.
void ServeWindowThread() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

int SystemDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

// The system's message font (Microsoft YaHei UI on Chinese Windows), at `dpi`.
LOGFONTW MessageFont(int dpi) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  LOGFONTW font = metrics.lfMessageFont;
  const int system = SystemDpi();
  if (dpi != system) font.lfHeight = MulDiv(font.lfHeight, dpi, system);
  return font;
}

struct Made {
  const wchar_t* cls;
  DWORD style;
  DWORD exStyle;
};

Made WindowKind(const ui::ControlEntry& entry) {
  switch (entry.kind) {
    case ControlKind::kTabControl:
      return {WC_TABCONTROLW, WS_TABSTOP | WS_CLIPSIBLINGS, 0};
    case ControlKind::kGroupBox:
      return {L"BUTTON", BS_GROUPBOX, 0};
    case ControlKind::kPushButton:
      return {L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0};
    case ControlKind::kEditBox:
      return {L"EDIT", ES_LEFT | ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE};
    case ControlKind::kMultiLineEditBox:
      // Out of the focus order; keeps its line breaks; no scroll bars.
      return {L"EDIT", ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_WANTRETURN,
              WS_EX_CLIENTEDGE};
    case ControlKind::kListView:
      return {WC_LISTVIEWW,
              LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER | WS_TABSTOP,
              WS_EX_CLIENTEDGE};
    case ControlKind::kTransparentLabel:
      if (entry.name == "透明标签3") return {L"STATIC", SS_LEFT | SS_EDITCONTROL | SS_NOPREFIX, 0};
      return {L"STATIC", SS_LEFTNOWORDWRAP | SS_CENTERIMAGE | SS_NOPREFIX, 0};
    case ControlKind::kStatusLine:
      return {L"STATIC", SS_LEFTNOWORDWRAP | SS_CENTERIMAGE | SS_NOPREFIX, 0};
    case ControlKind::kPictureBox:
      return {L"STATIC", SS_BITMAP | SS_REALSIZECONTROL, 0};
    case ControlKind::kAboutView:
      return {L"EDIT", ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP,
              WS_EX_CLIENTEDGE};
  }
  return {L"STATIC", 0, 0};
}

std::wstring InitialText(const ui::ControlEntry& entry) {
  if (entry.name == controls::kDownloadFolder) return DefaultDownloadFolder().wstring();
  if (entry.name == "透明标签3") return Wide(ui::HelpText());
  if (entry.kind == ControlKind::kAboutView)
    return Wide(AboutPageText(Utf8(ui::BuiltInAboutHtml())));
  return Wide(entry.text);
}

}  // namespace

int ControlId(std::string_view name) {
  const auto all = ui::Controls();
  for (size_t i = 0; i < all.size(); ++i)
    if (all[i].name == name) return kFirstControlId + static_cast<int>(i);
  return -1;
}

MainWindow::MainWindow(SiteHosts hosts, Win32WindowLayer& layer, JobControl& control, Shell shell,
                       WindowOptions options)
    : layer_(layer),
      desktop_(std::move(shell), layer),
      app_{layer, control, std::move(hosts), desktop_},
      options_(options) {
  dpi_ = options_.dpi > 0 ? options_.dpi : SystemDpi();
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  RegisterClasses(instance, WindowProc, PageProc);
  RECT outer{0, 0, Scale(ui::kClientWidth), Scale(ui::kClientHeight)};
  AdjustWindowRectEx(&outer, kWindowStyle, FALSE, WS_EX_CONTROLPARENT);
  const int width = outer.right - outer.left;
  const int height = outer.bottom - outer.top;
  const int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  hwnd_ = CreateWindowExW(WS_EX_CONTROLPARENT, kMainWindowClass, Wide(ui::kWindowTitle).c_str(),
                          kWindowStyle, left, top, width, height, nullptr, nullptr, instance, this);
  if (!hwnd_) return;
  desktop_.SetWindow(hwnd_);
  Build();
  ShowWindow(hwnd_, SW_SHOWNORMAL);
  UpdateWindow(hwnd_);
}

MainWindow::~MainWindow() {
  aboutCancel_ = true;
  if (hwnd_) DestroyWindow(hwnd_);
  if (aboutFetch_.joinable()) aboutFetch_.join();
  if (menu_) DestroyMenu(menu_);
  for (HBITMAP picture : pictures_) DeleteObject(picture);
  if (pageBrush_) DeleteObject(pageBrush_);
  if (font_) DeleteObject(font_);
}

void MainWindow::Build() {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  const LOGFONTW face = MessageFont(dpi_);
  font_ = CreateFontIndirectW(&face);
  LayerControls bound;
  std::map<std::string_view, HBITMAP> codes;
  for (const ui::SponsorCode& c : ui::SponsorCodes(app_.hosts)) {
    const COLORREF frame =
        RGB((c.frameRgb >> 16) & 0xFF, (c.frameRgb >> 8) & 0xFF, c.frameRgb & 0xFF);
    const ui::ControlEntry* box = ui::FindControl(c.picture);
    if (!box) continue;
    if (HBITMAP picture = QrBitmap(c.code, Scale(box->width), Wide(c.caption), frame, face)) {
      pictures_.push_back(picture);
      codes[c.picture] = picture;
    }
  }

  const auto all = ui::Controls();
  for (size_t i = 0; i < all.size(); ++i) {
    const ui::ControlEntry& entry = all[i];
    const Made made = WindowKind(entry);
    const RECT place = PlaceInWindow(entry);
    // Device pixels: every edge is scaled on its own, so neighbours stay flush.
    RECT device{Scale(place.left), Scale(place.top), Scale(place.right), Scale(place.bottom)};
    HWND parent = hwnd_;
    if (entry.page >= 0 && entry.kind != ControlKind::kTabControl) {
      parent = pages_.at(static_cast<size_t>(entry.page));
      OffsetRect(&device, -pageOrigin_.x, -pageOrigin_.y);
    }
    HWND control = CreateWindowExW(
        made.exStyle, made.cls, InitialText(entry).c_str(), WS_CHILD | WS_VISIBLE | made.style,
        device.left, device.top, device.right - device.left, device.bottom - device.top, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + static_cast<int>(i))),
        instance, nullptr);
    if (!control) continue;
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    controls_[entry.name] = control;

    switch (entry.kind) {
      case ControlKind::kTabControl: {
        tabs_ = control;
        const auto texts = ui::TabTexts();
        for (size_t t = 0; t < texts.size(); ++t) {
          std::wstring text = Wide(texts[t]);
          TCITEMW item{};
          item.mask = TCIF_TEXT;
          item.pszText = text.data();
          SendMessageW(tabs_, TCM_INSERTITEMW, t, reinterpret_cast<LPARAM>(&item));
        }
        // The pages cover the tab control below its row of tabs, whose
        // height follows the font; the description's page controls start 28
        // pixels down, so the row never grows past that.
        RECT inside{0, 0, device.right - device.left, device.bottom - device.top};
        SendMessageW(tabs_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&inside));
        if (inside.top > Scale(28)) {
          RECT item{};
          SendMessageW(tabs_, TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item));
          const int row = item.bottom - item.top - (inside.top - Scale(28));
          SendMessageW(tabs_, TCM_SETITEMSIZE, 0, MAKELPARAM(0, row));
          inside = RECT{0, 0, device.right - device.left, device.bottom - device.top};
          SendMessageW(tabs_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&inside));
        }
        pageOrigin_ = POINT{device.left, device.top + inside.top};
        for (size_t t = 0; t < texts.size(); ++t) {
          HWND page =
              CreateWindowExW(WS_EX_CONTROLPARENT, kPageClass, Wide(texts[t]).c_str(),
                              WS_CHILD | (t == 0 ? WS_VISIBLE : 0), pageOrigin_.x, pageOrigin_.y,
                              device.right - device.left, device.bottom - pageOrigin_.y, hwnd_,
                              nullptr, instance, this);
          // Above the tab control, which then leaves their area to them.
          SetWindowPos(page, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
          pages_.push_back(page);
        }
        MakePageBrush();
        break;
      }
      case ControlKind::kGroupBox:
        // A frame lies below the controls it holds, which keep the focus order.
        SetWindowPos(control, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        if (entry.name == controls::kSongGroup) bound.songGroup = control;
        break;
      case ControlKind::kEditBox:
        SendMessageW(control, EM_SETLIMITTEXT, 0, 0);  // no length limit
        if (entry.name == controls::kDownloadFolder) bound.downloadFolder = control;
        if (entry.name == controls::kAnchorNumber) bound.anchorNumber = control;
        break;
      case ControlKind::kMultiLineEditBox:
        SendMessageW(control, EM_SETLIMITTEXT, 0, 0);
        bound.idBuffer = control;
        break;
      case ControlKind::kListView: {
        list_ = control;
        SendMessageW(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                     LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_LABELTIP);
        const auto columns = ui::SongColumns();
        for (size_t c = 0; c < columns.size(); ++c) {
          std::wstring header = Wide(columns[c].header);
          LVCOLUMNW column{};
          column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
          column.fmt = LVCFMT_LEFT;
          column.cx = Scale(columns[c].width);
          column.pszText = header.data();
          column.iSubItem = static_cast<int>(c);
          SendMessageW(list_, LVM_INSERTCOLUMNW, c, reinterpret_cast<LPARAM>(&column));
        }
        SetWindowSubclass(list_, ListProc, kListSubclass, reinterpret_cast<DWORD_PTR>(this));
        bound.songList = list_;
        break;
      }
      case ControlKind::kStatusLine:
        bound.statusLine = control;
        break;
      case ControlKind::kPictureBox:
        if (auto it = codes.find(entry.name); it != codes.end())
          SendMessageW(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(it->second));
        break;
      case ControlKind::kAboutView:
        about_ = control;
        break;
      case ControlKind::kPushButton:
      case ControlKind::kTransparentLabel:
        break;
    }
  }
  layer_.Attach(bound);

  menu_ = CreatePopupMenu();
  for (const ui::MenuEntry& item : ui::SongMenu()) {
    if (item.text.empty()) {
      AppendMenuW(menu_, MF_SEPARATOR, 0, nullptr);
    } else if (ui::MenuCommand(item.text)) {
      AppendMenuW(menu_, MF_STRING, kFirstMenuId + menuItems_.size(), Wide(item.text).c_str());
      menuItems_.push_back(item.text);
    }
  }
  lastFocus_ = list_;
}

// The pages show the tab control's own body: it is drawn once into a bitmap,
// and the part under the pages becomes their background brush, which the
// transparent labels, frames and buttons on them are drawn over.
void MainWindow::MakePageBrush() {
  if (!tabs_ || pages_.empty()) return;
  RECT tab{};
  GetClientRect(tabs_, &tab);
  RECT page{};
  GetClientRect(pages_[0], &page);
  POINT at{0, 0};
  MapWindowPoints(pages_[0], tabs_, &at, 1);
  HDC screen = GetDC(tabs_);
  HDC whole = CreateCompatibleDC(screen);
  HBITMAP wholeBitmap = CreateCompatibleBitmap(screen, tab.right, tab.bottom);
  HGDIOBJ oldWhole = SelectObject(whole, wholeBitmap);
  FillRect(whole, &tab, GetSysColorBrush(COLOR_BTNFACE));
  SendMessageW(tabs_, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(whole), PRF_CLIENT | PRF_ERASEBKGND);
  HDC part = CreateCompatibleDC(screen);
  HBITMAP partBitmap = CreateCompatibleBitmap(screen, page.right, page.bottom);
  HGDIOBJ oldPart = SelectObject(part, partBitmap);
  BitBlt(part, 0, 0, page.right, page.bottom, whole, at.x, at.y, SRCCOPY);
  SelectObject(part, oldPart);
  SelectObject(whole, oldWhole);
  DeleteDC(part);
  DeleteDC(whole);
  DeleteObject(wholeBitmap);
  ReleaseDC(tabs_, screen);
  if (pageBrush_) DeleteObject(pageBrush_);
  pageBrush_ = CreatePatternBrush(partBitmap);
  DeleteObject(partBitmap);  // the brush keeps its own copy
}

void MainWindow::PaintPageBackground(HWND page, HDC dc) {
  RECT area{};
  GetClientRect(page, &area);
  POINT origin{};
  GetViewportOrgEx(dc, &origin);  // a control drawing its parent's background moves it
  POINT old{};
  SetBrushOrgEx(dc, origin.x, origin.y, &old);
  FillRect(dc, &area, pageBrush_ ? pageBrush_ : GetSysColorBrush(COLOR_BTNFACE));
  SetBrushOrgEx(dc, old.x, old.y, nullptr);
}

HWND MainWindow::Control(std::string_view name) const {
  auto it = controls_.find(name);
  return it == controls_.end() ? nullptr : it->second;
}

UINT MainWindow::MenuItemId(std::string_view text) const {
  for (size_t i = 0; i < menuItems_.size(); ++i)
    if (menuItems_[i] == text) return kFirstMenuId + static_cast<UINT>(i);
  return 0;
}

void MainWindow::OnCreated() {
  const bool run = ui::WindowCreated(
      app_,
      // The look is the system's own: visual styles through the manifest.
      [](int) {},
      [this] {
        SetTimer(hwnd_, kTimerId, ui::kTimerIntervalMs, nullptr);
        LoadAboutPage();
      },
      options_.updateLimit);
  if (!run && hwnd_) PostMessageW(hwnd_, WM_CLOSE, 0, 0);
}

void MainWindow::RecolourStatusLine() {
  ui::TimerTick(app_, GetTickCount64());
}

void MainWindow::LoadAboutPage() {
  if (app_.hosts.update.empty() || aboutFetch_.joinable()) return;
  aboutFetch_ = std::thread([this, hosts = app_.hosts, window = hwnd_] {
    Utf8 page = ui::FetchAboutPage(hosts, &aboutCancel_);
    if (page.empty() || aboutCancel_) return;
    {
      std::lock_guard<std::mutex> lock(aboutMutex_);
      aboutPage_ = std::move(page);
    }
    PostMessageW(window, kAboutReady, 0, 0);
  });
}

void MainWindow::ShowAboutPage() {
  Utf8 page;
  {
    std::lock_guard<std::mutex> lock(aboutMutex_);
    page = aboutPage_;
  }
  const Utf8 text = AboutPageText(page);
  if (about_ && !text.empty()) SetWindowTextW(about_, Wide(text).c_str());
}

void MainWindow::ShowTab(int tab) {
  HWND focus = GetFocus();
  for (size_t i = 0; i < pages_.size(); ++i) {
    const bool shown = static_cast<int>(i) == tab;
    if (!shown && focus && IsChild(pages_[i], focus)) SetFocus(tabs_);
    ShowWindow(pages_[i], shown ? SW_SHOW : SW_HIDE);
  }
}

void MainWindow::SelectRow(int row) {
  LVITEMW none{};
  none.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  LVITEMW chosen = none;
  chosen.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
  SendMessageW(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(row),
               reinterpret_cast<LPARAM>(&chosen));
  SendMessageW(list_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
}

void MainWindow::ShowSongMenu(POINT screen, bool byKeyboard) {
  if (byKeyboard) {
    // From the keyboard: below the selected row, or at the list's corner.
    const int row = layer_.SelectedRow(nullptr);
    RECT r{};
    r.left = LVIR_BOUNDS;
    POINT at{Scale(8), Scale(8)};
    if (row >= 0 && SendMessageW(list_, LVM_GETITEMRECT, static_cast<WPARAM>(row),
                                 reinterpret_cast<LPARAM>(&r)))
      at = POINT{r.left + Scale(8), r.bottom};
    ClientToScreen(list_, &at);
    screen = at;
  }
  TrackPopupMenuEx(menu_, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, screen.x, screen.y, hwnd_,
                   nullptr);
}

bool MainWindow::PreTranslate(MSG& message) {
  if (!hwnd_) return false;
  if (message.message == WM_KEYDOWN && message.wParam == VK_TAB &&
      (GetKeyState(VK_CONTROL) & 0x8000) &&
      (message.hwnd == hwnd_ || IsChild(hwnd_, message.hwnd))) {
    const int count = static_cast<int>(pages_.size());
    const int step = (GetKeyState(VK_SHIFT) & 0x8000) ? count - 1 : 1;
    const int next = (static_cast<int>(SendMessageW(tabs_, TCM_GETCURSEL, 0, 0)) + step) % count;
    SendMessageW(tabs_, TCM_SETCURSEL, static_cast<WPARAM>(next), 0);
    ShowTab(next);
    return true;
  }
  return IsDialogMessageW(hwnd_, &message) != FALSE;
}

LRESULT MainWindow::HandleNotify(NMHDR& header) {
  if (header.hwndFrom == tabs_ && header.code == TCN_SELCHANGE) {
    ShowTab(static_cast<int>(SendMessageW(tabs_, TCM_GETCURSEL, 0, 0)));
    return 0;
  }
  if (header.hwndFrom == list_ && header.code == NM_CUSTOMDRAW) {
    // The selected row keeps its highlight while the list has no focus.
    auto& draw = reinterpret_cast<NMLVCUSTOMDRAW&>(header);
    if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
    if (draw.nmcd.dwDrawStage == CDDS_ITEMPREPAINT && GetFocus() != list_ &&
        (SendMessageW(list_, LVM_GETITEMSTATE, draw.nmcd.dwItemSpec, LVIS_SELECTED) &
         LVIS_SELECTED)) {
      draw.nmcd.uItemState &= ~static_cast<UINT>(CDIS_SELECTED);
      draw.clrText = GetSysColor(COLOR_HIGHLIGHTTEXT);
      draw.clrTextBk = GetSysColor(COLOR_HIGHLIGHT);
      return CDRF_NEWFONT;
    }
    return CDRF_DODEFAULT;
  }
  return 0;
}

LRESULT MainWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      if (id >= static_cast<int>(kFirstMenuId) &&
          id < static_cast<int>(kFirstMenuId + menuItems_.size())) {
        if (ui::Command command = ui::MenuCommand(menuItems_[id - kFirstMenuId])) command(app_);
        return 0;
      }
      const auto all = ui::Controls();
      const int index = id - kFirstControlId;
      if (HIWORD(wParam) == BN_CLICKED && index >= 0 && index < static_cast<int>(all.size())) {
        if (ui::Command command = ui::ButtonCommand(all[static_cast<size_t>(index)].name))
          command(app_);
      }
      return 0;
    }
    case WM_NOTIFY:
      return HandleNotify(*reinterpret_cast<NMHDR*>(lParam));
    case WM_TIMER:
      if (wParam == kTimerId) RecolourStatusLine();
      return 0;
    case WM_CTLCOLORSTATIC: {
      // The status line: its own colour, on the window's background.
      HDC dc = reinterpret_cast<HDC>(wParam);
      SetTextColor(dc, reinterpret_cast<HWND>(lParam) == Control(controls::kStatusLine)
                           ? layer_.StatusColour()
                           : RGB(0, 0, 0));
      SetBkMode(dc, TRANSPARENT);
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case kAboutReady:
      ShowAboutPage();
      return 0;
    case WM_ACTIVATE:
      // Like a dialog: the focus comes back to the control that had it.
      if (LOWORD(wParam) == WA_INACTIVE) {
        if (HWND focus = GetFocus(); focus && IsChild(hwnd_, focus)) lastFocus_ = focus;
      } else if (lastFocus_ && IsWindowVisible(lastFocus_)) {
        SetFocus(lastFocus_);
        return 0;
      }
      break;
    case WM_THEMECHANGED:
    case WM_SYSCOLORCHANGE:
      MakePageBrush();
      for (HWND page : pages_) InvalidateRect(page, nullptr, TRUE);
      break;
    case WM_ENDSESSION:
      // The user logs off or the system shuts down: the process ends after
      // this returns, so the jobs are ended and waited for here, and leave
      // no part file behind.
      if (wParam) {
        KillTimer(hwnd_, kTimerId);
        ui::WindowClosing(app_);
        aboutCancel_ = true;
        ui::ProgramExit(app_.jobs, ServeWindowThread, std::chrono::seconds(2));
      }
      return 0;
    case WM_CLOSE:
      KillTimer(hwnd_, kTimerId);
      ui::WindowClosing(app_);
      aboutCancel_ = true;
      DestroyWindow(hwnd_);
      return 0;
    case WM_DESTROY:
      layer_.Detach();
      if (options_.quitOnClose) PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY:
      hwnd_ = nullptr;
      break;
  }
  return DefWindowProcW(hwnd_, message, wParam, lParam);
}

LRESULT MainWindow::HandlePage(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      PaintPageBackground(page, reinterpret_cast<HDC>(wParam));
      return 1;
    case WM_PRINTCLIENT:
      PaintPageBackground(page, reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      HWND control = reinterpret_cast<HWND>(lParam);
      if (control == about_) {  // read-only, but a text box: black on white
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(dc, GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
      }
      // Labels, frames and buttons: black text on the page's own background.
      SetTextColor(dc, RGB(0, 0, 0));
      SetBkMode(dc, TRANSPARENT);
      POINT at{0, 0};
      MapWindowPoints(control, page, &at, 1);
      SetBrushOrgEx(dc, -at.x, -at.y, nullptr);
      return reinterpret_cast<LRESULT>(pageBrush_ ? pageBrush_ : GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_COMMAND:
    case WM_NOTIFY:
      return Handle(message, wParam, lParam);
  }
  return DefWindowProcW(page, message, wParam, lParam);
}

namespace {

// The window's object comes with its creation and is kept in the window.
MainWindow* Self(HWND hwnd, UINT message, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  return reinterpret_cast<MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

}  // namespace

LRESULT CALLBACK MainWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  MainWindow* self = Self(hwnd, message, lParam);
  if (self && !self->hwnd_) self->hwnd_ = hwnd;  // messages of the creation itself
  if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
  return self->Handle(message, wParam, lParam);
}

LRESULT CALLBACK MainWindow::PageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  MainWindow* self = Self(page, message, lParam);
  if (!self) return DefWindowProcW(page, message, wParam, lParam);
  return self->HandlePage(page, message, wParam, lParam);
}

// The song list's right button: the row under the pointer is selected (or the
// selected one stays), then the menu opens at the pointer while the button is
// still down. The menu key and Shift+F10 open it too.
LRESULT CALLBACK MainWindow::ListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR, DWORD_PTR data) {
  auto* self = reinterpret_cast<MainWindow*>(data);
  switch (message) {
    case WM_RBUTTONDOWN: {
      SetFocus(list);
      LVHITTESTINFO hit{};
      hit.pt = POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      const int under = static_cast<int>(
          SendMessageW(list, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
      const int row = ui::RowForContextMenu(hit.flags & LVHT_ONITEM ? under : -1,
                                            self->layer_.SelectedRow(nullptr));
      if (row >= 0) self->SelectRow(row);
      POINT screen = hit.pt;
      ClientToScreen(list, &screen);
      self->ShowSongMenu(screen, false);
      return 0;
    }
    case WM_RBUTTONUP:
      return 0;  // the menu opened on the press
    case WM_CONTEXTMENU:
      if (lParam == -1) self->ShowSongMenu(POINT{}, true);
      return 0;
    case WM_NCDESTROY:
      RemoveWindowSubclass(list, ListProc, kListSubclass);
      break;
  }
  return DefSubclassProc(list, message, wParam, lParam);
}

}  // namespace quorrin::win32

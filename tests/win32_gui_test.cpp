// The Windows window, driven in-process through its real controls by their
// messages: clicks, tab clicks, list items, edit texts, menu commands, the
// timer and the close, against local servers.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/local_text.h"
#include "support/test_server.h"
#include "ui/startup.h"
#include "ui/window_description.h"
#include "win32/about_text.h"
#include "win32/main_window.h"
#include "win32/wide_text.h"

namespace quorrin::win32 {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Runs the window thread's messages once.
void ServeOnce() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

// Serves the window thread until `ready()` holds; false on time-out.
bool ServeUntil(const std::function<bool()>& ready, std::chrono::milliseconds limit = 60s) {
  const auto until = std::chrono::steady_clock::now() + limit;
  while (!ready()) {
    if (std::chrono::steady_clock::now() > until) return false;
    ServeOnce();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return true;
}

std::wstring W(std::string_view utf8) {
  return Wide(utf8);
}

std::wstring TextOf(HWND hwnd) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
  text.resize(
      static_cast<size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
  return text;
}

std::wstring ClassOf(HWND hwnd) {
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  return name;
}

// A window's rectangle relative to `origin`'s client area (or window, for a control).
RECT Within(HWND hwnd, HWND origin, bool originIsWindow) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  POINT at{0, 0};
  if (originIsWindow) {
    ClientToScreen(origin, &at);
  } else {
    RECT o{};
    GetWindowRect(origin, &o);
    at = POINT{o.left, o.top};
  }
  OffsetRect(&r, -at.x, -at.y);
  return r;
}

std::string Show(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + " " +
         std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top);
}

std::wstring Clipboard() {
  std::wstring text;
  if (!OpenClipboard(nullptr)) return L"<closed>";
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (auto* p = static_cast<const wchar_t*>(GlobalLock(data))) {
      text = p;
      GlobalUnlock(data);
    }
  } else {
    text = L"<none>";
  }
  CloseClipboard();
  return text;
}

void SetClipboard(const std::wstring& text) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
  memcpy(GlobalLock(memory), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
  GlobalUnlock(memory);
  SetClipboardData(CF_UNICODETEXT, memory);
  CloseClipboard();
}

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// What the replaced desktop services saw.
struct Recorded {
  std::vector<std::wstring> opened, prompts, modals;
  std::vector<fs::path> folders;
  fs::path chosen;
};

// The window as the program makes it, with the desktop's services recorded
// and the folder chooser replaced.
struct Gui : Recorded {
  explicit Gui(SiteHosts hosts = {}, int dpi = 96) {
    control = CreateWorkerRegistry(layer);
    WindowOptions options;
    options.dpi = dpi;
    options.quitOnClose = false;
    window = std::make_unique<MainWindow>(std::move(hosts), layer, *control, Recorders(), options);
    window->OnCreated();
    ServeOnce();
  }
  ~Gui() {
    if (window->hwnd()) SendMessageW(window->hwnd(), WM_CLOSE, 0, 0);
    ui::ProgramExit(*control, ServeOnce, 2s);
    window.reset();
    ServeOnce();
  }
  Gui(const Gui&) = delete;
  Gui& operator=(const Gui&) = delete;

  Shell Recorders() {
    Shell shell = DesktopShell();  // the real clipboard
    shell.openAddress = [this](const std::wstring& a) { opened.push_back(a); };
    shell.chooseFolder = [this](HWND, const std::wstring& prompt) {
      prompts.push_back(prompt);
      return chosen;
    };
    shell.showModal = [this](HWND, const std::wstring& text, const std::wstring& title) {
      modals.push_back(title + L"|" + text);
    };
    shell.openFolder = [this](const fs::path& folder) { folders.push_back(folder); };
    return shell;
  }

  HWND C(const char* name) const { return window->Control(name); }
  void Click(const char* button) { SendMessageW(C(button), BM_CLICK, 0, 0); }
  // A menu item chosen: the command the popup menu sends to its window.
  void Menu(const char* item) {
    const UINT id = window->MenuItemId(item);
    ASSERT_NE(id, 0u) << item;
    SendMessageW(window->hwnd(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
  }
  // A click on a tab, as the mouse gives it.
  void ClickTab(int tab) {
    HWND tabs = C("选择夹1");
    RECT r{};
    SendMessageW(tabs, TCM_GETITEMRECT, static_cast<WPARAM>(tab), reinterpret_cast<LPARAM>(&r));
    const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    SendMessageW(tabs, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(tabs, WM_LBUTTONUP, 0, at);
  }
  HWND List() const { return C("超级列表框1"); }
  int Rows() const { return static_cast<int>(SendMessageW(List(), LVM_GETITEMCOUNT, 0, 0)); }
  std::wstring Cell(int row, int column) const {
    wchar_t buffer[1024] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = 1024;
    SendMessageW(List(), LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(&item));
    return buffer;
  }
  void Select(int row) {
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(List(), LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(&item));
  }
  int Selected() const {
    return static_cast<int>(
        SendMessageW(List(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
  }
  void AddRow(const std::string& title, const Text& play, const Text& video) {
    const int row = layer.RowCount(nullptr);
    layer.AppendRow(nullptr);
    layer.SetCell(row, 1, test::L(title), nullptr);
    layer.SetCell(row, 2, play, nullptr);
    layer.SetCell(row, 3, video, nullptr);
  }
  std::wstring Status() const { return TextOf(C("透明标签1")); }
  bool WaitIdle() {
    return ServeUntil([&] { return RunningWorkers(*control) == 0; });
  }
  std::vector<HWND> Boxes() const { return layer.OpenBoxes(); }
  bool WaitBoxes(size_t n) {
    return ServeUntil([&] { return Boxes().size() == n; });
  }

  Win32WindowLayer layer;
  std::unique_ptr<JobControl> control;
  std::unique_ptr<MainWindow> window;
};

// A job's message box: its text, its title, and its OK button pressed.
std::wstring BoxText(HWND box) {
  wchar_t text[2048] = {};
  GetDlgItemTextW(box, 0xFFFF, text, 2048);
  return text;
}
void PressOk(HWND box) {
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
}

// What each kind of the description is made of.
std::wstring ClassOfKind(ui::ControlKind kind) {
  switch (kind) {
    case ui::ControlKind::kTabControl:
      return WC_TABCONTROLW;
    case ui::ControlKind::kGroupBox:
    case ui::ControlKind::kPushButton:
      return L"Button";
    case ui::ControlKind::kEditBox:
    case ui::ControlKind::kMultiLineEditBox:
    case ui::ControlKind::kAboutView:
      return L"Edit";
    case ui::ControlKind::kListView:
      return WC_LISTVIEWW;
    case ui::ControlKind::kTransparentLabel:
    case ui::ControlKind::kPictureBox:
    case ui::ControlKind::kStatusLine:
      return L"Static";
  }
  return L"";
}

bool SameClass(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

TEST(Window, FollowsTheDescription) {
  Gui gui;
  HWND w = gui.window->hwnd();
  for (const ui::ControlEntry& entry : ui::Controls()) {
    const std::string name(entry.name);
    HWND c = gui.C(name.c_str());
    ASSERT_NE(c, nullptr) << name;
    EXPECT_TRUE(SameClass(ClassOf(c), ClassOfKind(entry.kind))) << name;
    EXPECT_EQ(GetDlgCtrlID(c), ControlId(entry.name)) << name;
    HWND origin = entry.parent.empty() ? w : gui.C(std::string(entry.parent).c_str());
    ASSERT_TRUE(origin == w || IsWindow(origin)) << name;
    EXPECT_TRUE(IsChild(w, c)) << name;
    const RECT want{entry.x, entry.y, entry.x + entry.width, entry.y + entry.height};
    EXPECT_EQ(Show(Within(c, origin, origin == w)), Show(want)) << name;
    const bool texted = entry.kind == ui::ControlKind::kGroupBox ||
                        entry.kind == ui::ControlKind::kPushButton ||
                        entry.kind == ui::ControlKind::kStatusLine || name == "透明标签2";
    if (texted) {
      EXPECT_EQ(TextOf(c), W(entry.text)) << name;
    }
  }
}

TEST(Window, ControlTreeAsTheOriginal) {
  Gui gui;
  HWND w = gui.window->hwnd();
  EXPECT_EQ(TextOf(w), L"[Zandrel]Quorrin V1.0");
  RECT client{};
  GetClientRect(w, &client);
  EXPECT_EQ(client.right, 505);
  EXPECT_EQ(client.bottom, 633);
  const LONG style = GetWindowLongW(w, GWL_STYLE);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME);
  // The program's own icon, not the system's.
  const auto icon = reinterpret_cast<HICON>(GetClassLongPtrW(w, GCLP_HICON));
  EXPECT_NE(icon, nullptr);
  EXPECT_NE(icon, LoadIconW(nullptr, IDI_APPLICATION));
  RECT outer{};
  GetWindowRect(w, &outer);
  EXPECT_LE(std::abs(outer.left + outer.right - GetSystemMetrics(SM_CXSCREEN)), 1);
  EXPECT_LE(std::abs(outer.top + outer.bottom - GetSystemMetrics(SM_CYSCREEN)), 1);

  struct Spot {
    const char* name;
    const char* ancestor;  // null: the window's client area
    RECT place;
    const wchar_t* text;  // null: not checked
  };
  const Spot spots[] = {
      {"选择夹1", nullptr, {2, 3, 504, 610}, nullptr},
      {"分组框1", "选择夹1", {12, 29, 494, 365}, L"神曲"},
      {"超级列表框1", "分组框1", {10, 18, 474, 330}, nullptr},
      {"编辑框3", "分组框5", {17, 23, 265, 47}, nullptr},
      {"按钮8", "分组框5", {376, 23, 448, 47}, L"下载全部"},
      {"分组框4", "分组框2", {225, 18, 465, 146}, L"自定义获取（不会请查看使用说明）"},
      {"按钮5", "分组框4", {24, 74, 112, 106}, L"获取神曲"},
      {"透明标签2", "分组框4", {18, 26, 74, 50}, L"主播ID:"},
      {"图片框4", "分组框12", {14, 19, 206, 211}, nullptr},
      {"超文本浏览框1", "分组框8", {9, 17, 480, 569}, nullptr},
      {"透明标签1", nullptr, {0, 615, 504, 631}, L"【Zandrel】Quorrin......"},
      {"编辑框2", nullptr, {536, 144, 656, 344}, L""},
  };
  for (const Spot& s : spots) {
    HWND c = gui.C(s.name);
    ASSERT_NE(c, nullptr) << s.name;
    HWND origin = s.ancestor ? gui.C(s.ancestor) : w;
    EXPECT_EQ(Show(Within(c, origin, !s.ancestor)), Show(s.place)) << s.name;
    if (s.text) {
      EXPECT_EQ(TextOf(c), s.text) << s.name;
    }
  }
  // The ID buffer lies beyond the client area and out of the focus order.
  HWND ids = gui.C("编辑框2");
  EXPECT_GE(Within(ids, w, true).left, client.right);
  EXPECT_FALSE(GetWindowLongW(ids, GWL_STYLE) & WS_TABSTOP);
  EXPECT_TRUE(GetWindowLongW(ids, GWL_STYLE) & ES_MULTILINE);
  EXPECT_TRUE(GetWindowLongW(gui.C("按钮1"), GWL_STYLE) & WS_TABSTOP);
  EXPECT_EQ(TextOf(gui.C("编辑框1")).size(), 8u);
  const std::wstring folder = TextOf(gui.C("编辑框3"));
  EXPECT_EQ(folder.substr(folder.size() - 7), L"\\shenqu");
  EXPECT_EQ(TextOf(gui.C("透明标签3")).rfind(L"【Zandrel】Quorrin\r\n\r\n主播神曲", 0), 0u);
  EXPECT_TRUE(GetWindowLongW(gui.C("超文本浏览框1"), GWL_STYLE) & ES_READONLY);
  EXPECT_NE(TextOf(gui.C("超文本浏览框1")).find(L"【Zandrel】Quorrin V1.0"), std::wstring::npos);

  HWND tabs = gui.C("选择夹1");
  ASSERT_EQ(SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0), 4);
  const wchar_t* tabTexts[] = {L"多玩YY", L"赞助", L"使用说明", L"关于"};
  for (int t = 0; t < 4; ++t) {
    wchar_t text[32] = {};
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = 32;
    SendMessageW(tabs, TCM_GETITEMW, static_cast<WPARAM>(t), reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(std::wstring(text), tabTexts[t]);
  }
  EXPECT_EQ(SendMessageW(tabs, TCM_GETCURSEL, 0, 0), 0);

  HWND list = gui.List();
  const LONG listStyle = GetWindowLongW(list, GWL_STYLE);
  EXPECT_EQ(listStyle & LVS_TYPEMASK, LVS_REPORT);
  EXPECT_TRUE(listStyle & LVS_SINGLESEL);
  EXPECT_TRUE(listStyle & LVS_SHOWSELALWAYS);
  EXPECT_TRUE(listStyle & LVS_NOSORTHEADER);
  EXPECT_FALSE(listStyle & LVS_EDITLABELS);
  EXPECT_FALSE(listStyle & (LVS_SORTASCENDING | LVS_SORTDESCENDING));
  const auto ex = SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
  EXPECT_TRUE(ex & LVS_EX_FULLROWSELECT);
  EXPECT_FALSE(ex & (LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES));
  HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
  ASSERT_EQ(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0), 5);
  const wchar_t* headers[] = {L"ID", L"神曲名称", L"播放地址", L"下载地址", L"神曲ID"};
  const int widths[] = {50, 120, 145, 145, 80};
  for (int c = 0; c < 5; ++c) {
    wchar_t text[32] = {};
    HDITEMW item{};
    item.mask = HDI_TEXT | HDI_FORMAT;
    item.pszText = text;
    item.cchTextMax = 32;
    SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(std::wstring(text), headers[c]);
    EXPECT_EQ(item.fmt & HDF_JUSTIFYMASK, HDF_LEFT);
    EXPECT_EQ(SendMessageW(list, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(c), 0), widths[c]);
  }
  EXPECT_EQ(gui.Rows(), 0);
  EXPECT_EQ(gui.Selected(), -1);

  // The four items of the original first, then a separator and our three.
  HMENU menu = gui.window->SongMenu();
  const wchar_t* items[] = {
      L"下载选中神曲",       L"复制播放地址",   L"复制下载地址", L"停止当前进行操作", L"",
      L"重新下载失败的神曲", L"只下载新的神曲", L"打开下载目录"};
  ASSERT_EQ(GetMenuItemCount(menu), 8);
  for (UINT i = 0; i < 8; ++i) {
    wchar_t text[64] = {};
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_STRING;
    info.dwTypeData = text;
    info.cch = 64;
    ASSERT_TRUE(GetMenuItemInfoW(menu, i, TRUE, &info));
    EXPECT_EQ((info.fType & MFT_SEPARATOR) != 0, i == 4) << i;
    EXPECT_EQ(std::wstring(text), items[i]);
    if (i != 4) {
      EXPECT_FALSE(info.fState & (MFS_DISABLED | MFS_CHECKED)) << i;
    }
  }
}

// The sponsor codes: pictures of the box's size, with modules drawn, the
// decorated ones in their service's colour.
TEST(Window, SponsorPictures) {
  Gui gui;
  const std::pair<const char*, COLORREF> boxes[] = {{"图片框1", RGB(0x1A, 0xAD, 0x19)},
                                                    {"图片框2", RGB(0x16, 0x77, 0xFF)},
                                                    {"图片框3", RGB(0x12, 0xB7, 0xF5)},
                                                    {"图片框4", RGB(255, 255, 255)}};
  for (const auto& [name, frame] : boxes) {
    auto bitmap =
        reinterpret_cast<HBITMAP>(SendMessageW(gui.C(name), STM_GETIMAGE, IMAGE_BITMAP, 0));
    ASSERT_NE(bitmap, nullptr) << name;
    BITMAP info{};
    GetObjectW(bitmap, sizeof info, &info);
    EXPECT_EQ(info.bmWidth, 192) << name;
    EXPECT_EQ(info.bmHeight, 192) << name;
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    EXPECT_EQ(GetPixel(dc, 1, 1), frame) << name;
    int black = 0;
    for (int y = 0; y < 192; y += 2)
      for (int x = 0; x < 192; x += 2) black += GetPixel(dc, x, y) == RGB(0, 0, 0);
    EXPECT_GT(black, 500) << name;
    SelectObject(dc, old);
    DeleteDC(dc);
  }
}

TEST(Window, ScalesWithTheScreensDpi) {
  // 150 %: every edge of the description, taken in the window, times 1.5.
  Gui gui({}, 144);
  RECT client{};
  GetClientRect(gui.window->hwnd(), &client);
  EXPECT_EQ(client.right, 758);
  EXPECT_EQ(client.bottom, 950);
  EXPECT_EQ(Show(Within(gui.C("按钮8"), gui.C("分组框5"), false)), Show(RECT{564, 35, 672, 71}));
  EXPECT_EQ(Show(Within(gui.C("透明标签1"), gui.window->hwnd(), true)),
            Show(RECT{0, 923, 756, 947}));
  EXPECT_EQ(SendMessageW(gui.List(), LVM_GETCOLUMNWIDTH, 1, 0), 180);
  RECT list{};
  GetWindowRect(gui.List(), &list);
  RECT frame{};
  GetWindowRect(gui.C("分组框1"), &frame);
  EXPECT_TRUE(list.left > frame.left && list.right < frame.right && list.bottom < frame.bottom);
}

TEST(Window, TabsShowTheirPagesOnly) {
  Gui gui;
  gui.AddRow("歌名", Text(), Text());
  const char* pageGroups[] = {"分组框1", "分组框6", "分组框7", "分组框8"};
  for (int t : {1, 2, 3, 0}) {
    gui.ClickTab(t);
    EXPECT_EQ(SendMessageW(gui.C("选择夹1"), TCM_GETCURSEL, 0, 0), t);
    for (int g = 0; g < 4; ++g) {
      EXPECT_EQ(IsWindowVisible(gui.C(pageGroups[g])) != FALSE, g == t) << t << " " << g;
    }
    EXPECT_EQ(IsWindowVisible(gui.List()) != FALSE, t == 0);
    EXPECT_EQ(IsWindowVisible(gui.C("按钮8")) != FALSE, t == 0);
    EXPECT_TRUE(IsWindowVisible(gui.C("透明标签1")));
  }
  EXPECT_EQ(gui.Rows(), 1);
  EXPECT_EQ(gui.Cell(0, 1), L"歌名");
}

TEST(Window, CopiesTheSelectedRowsAddresses) {
  Gui gui;
  gui.AddRow("甲", "http://play/0"_t, "http://video/0"_t);
  gui.AddRow("乙", "http://play/1"_t, Text());
  SetClipboard(L"earlier");
  gui.Menu("复制播放地址");
  EXPECT_EQ(Clipboard(), L"");  // no row selected: empty text
  gui.Select(0);
  gui.Menu("复制播放地址");
  EXPECT_EQ(Clipboard(), L"http://play/0");
  gui.Menu("复制下载地址");
  EXPECT_EQ(Clipboard(), L"http://video/0");
  gui.Select(1);
  gui.Menu("复制下载地址");
  EXPECT_EQ(Clipboard(), L"");
}

TEST(Window, ShortCommands) {
  Gui gui({"main.test", "shenqu.test", ""});
  gui.chosen.clear();  // the chooser cancelled
  gui.Click("按钮7");
  EXPECT_EQ(gui.prompts, std::vector<std::wstring>{L"请选择要移动的文件："});
  EXPECT_EQ(TextOf(gui.C("编辑框3")), L"");
  gui.chosen = fs::path(L"C:\\Työpöytä\\바탕 화면 😀");
  gui.Click("按钮7");
  EXPECT_EQ(TextOf(gui.C("编辑框3")), L"C:\\Työpöytä\\바탕 화면 😀");
  EXPECT_EQ(gui.layer.GetPath(controls::kDownloadFolder, nullptr), gui.chosen);

  SetWindowTextW(gui.C("编辑框1"), L"12 34");
  gui.Click("按钮6");
  SetWindowTextW(gui.C("编辑框1"), L"");
  gui.Click("按钮6");
  EXPECT_EQ(gui.opened,
            (std::vector<std::wstring>{L"http://main.test/u/12 34", L"http://main.test/u/"}));

  gui.Click("按钮2");
  EXPECT_EQ(gui.modals, std::vector<std::wstring>{L"信息：|开发中............................."});

  // Stop with nothing running: the flag stays idle, nothing shows.
  gui.Menu("停止当前进行操作");
  EXPECT_TRUE(gui.control->flag.Idle());
  EXPECT_TRUE(gui.Boxes().empty());
}

// A right click on a row selects it and opens the menu at the pointer; one
// on the empty part of the list keeps the selected row.
TEST(Window, RightClickSelectsTheRowAndOpensTheMenu) {
  Gui gui;
  for (int r = 0; r < 3; ++r) gui.AddRow("歌" + std::to_string(r), Text(), Text());
  static int menusSeen;
  menusSeen = 0;
  // The menu runs its own loop; a timer there looks at it and closes it.
  const UINT_PTR closer = SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR, DWORD) {
    if (HWND menu = FindWindowW(L"#32768", nullptr); menu && IsWindowVisible(menu)) {
      ++menusSeen;
      EndMenu();
    }
  });
  auto rightClick = [&](POINT at) {
    SendMessageW(gui.List(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(at.x, at.y));
    SendMessageW(gui.List(), WM_RBUTTONUP, 0, MAKELPARAM(at.x, at.y));
  };
  RECT row{};
  row.left = LVIR_BOUNDS;
  SendMessageW(gui.List(), LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&row));
  rightClick(POINT{row.left + 200, (row.top + row.bottom) / 2});  // over column 播放地址
  EXPECT_EQ(gui.Selected(), 1);
  EXPECT_EQ(menusSeen, 1);
  RECT list{};
  GetClientRect(gui.List(), &list);
  rightClick(POINT{20, list.bottom - 10});  // below the rows
  EXPECT_EQ(gui.Selected(), 1);
  EXPECT_EQ(menusSeen, 2);
  KillTimer(nullptr, closer);
}

TEST(Window, TimerTicksRecolourOnlyTheStatusLine) {
  Gui gui;
  const std::wstring text = gui.Status();
  const COLORREF start = gui.layer.StatusColour();
  std::set<COLORREF> colours;
  for (int i = 0; i < 5; ++i) {
    SendMessageW(gui.window->hwnd(), WM_TIMER, kTimerId, 0);
    colours.insert(gui.layer.StatusColour());
  }
  EXPECT_GE(colours.size(), 4u);  // independent draws: near-certainly different
  EXPECT_EQ(gui.Status(), text);
  EXPECT_EQ(TextOf(gui.C("分组框1")), L"神曲");
  // The window's own timer ticks too.
  const COLORREF last = gui.layer.StatusColour();
  EXPECT_TRUE(ServeUntil([&] { return gui.layer.StatusColour() != last; }, 10s));
  EXPECT_NE(start, last);
}

TEST(Window, AboutPageAsText) {
  EXPECT_EQ(AboutPageText(
                Utf8(std::string_view("<html><head><title>x</title><style>p{}</style></head><body>"
                                      "<h3>关于 &amp; 说明</h3><p>第一段<br>第二行</p>"
                                      "<ul><li>一</li><li>二</li></ul>"
                                      "<p>见 <a href=\"http://a.test/\">网站</a>&#33;</p>"
                                      "<script>alert(1)</script></body></html>")))
                .value,
            "关于 & 说明\r\n\r\n第一段\r\n第二行\r\n\r\n• 一\r\n• 二\r\n\r\n见 网站 "
            "(http://a.test/)!");
  test::TestServer server;
  server.Serve("/yy.txt", "1");
  server.Serve("/y.html", "<p>服务器上的关于页</p>");
  Gui gui({"main", "shenqu", server.host()});
  EXPECT_TRUE(ServeUntil([&] { return TextOf(gui.C("超文本浏览框1")) == L"服务器上的关于页"; }));
}

TEST(UpdateCheck, AnUpdateShowsTheMessageOpensThePageAndCloses) {
  test::TestServer server;
  server.Serve("/yy.txt", "2");
  Gui gui({"main", "shenqu", server.host()});
  EXPECT_EQ(gui.modals, std::vector<std::wstring>{L"更新|有新的更新"});
  EXPECT_EQ(gui.opened, std::vector<std::wstring>{W("http://" + server.host() + "/yy.html")});
  EXPECT_TRUE(ServeUntil([&] { return gui.window->hwnd() == nullptr; }));
}

struct SiteGui {
  SiteGui() : gui({server.host(), server.host(), ""}) {
    server.ServeFolder(std::string(QUORRIN_FIXTURES) + "/site");
    folder = fs::temp_directory_path() / ("quorrin-win32-" + std::to_string(GetCurrentProcessId()) +
                                          "-" + std::to_string(GetTickCount64()));
    fs::create_directories(folder);
    SetWindowTextW(gui.C("编辑框3"), (folder / L"videos").wstring().c_str());
  }
  ~SiteGui() {
    std::error_code error;
    fs::remove_all(folder, error);
  }
  // The chart's videos, served from this server; `missing` answers 404.
  void ServeVideos(const char* missing) {
    for (const char* id : {"2001", "2002", "2003"}) {
      std::string page = ReadAll(std::string(QUORRIN_FIXTURES) + "/site/play/id_" + id + ".html");
      const std::string from = "http://v.fixture.test/shenqu/";
      page.replace(page.find(from), from.size(), server.Url("/v/").value);
      server.Serve(std::string("/play/id_") + id + ".html", page);
      if (std::string(id) == missing) {
        server.Serve(std::string("/v/") + id + ".mp4", "gone", 404);
      } else {
        server.Serve(std::string("/v/") + id + ".mp4", std::string("video \0bytes ", 13) + id);
      }
    }
  }
  test::TestServer server;
  Gui gui;
  fs::path folder;
};

TEST(WindowJobs, HarvestAndDownloadThroughTheButtons) {
  SiteGui s;
  Gui& gui = s.gui;
  s.ServeVideos("2002");
  static int ticks;
  ticks = 0;
  const UINT_PTR ticker = SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR, DWORD) { ++ticks; });
  gui.Click("按钮4");
  ASSERT_TRUE(ServeUntil([&] { return gui.Rows() == 1; }));
  const int ticksAtFirstRow = ticks;
  ASSERT_TRUE(gui.WaitIdle());
  KillTimer(nullptr, ticker);
  EXPECT_GT(ticks, ticksAtFirstRow + 10);  // the window kept serving while the rows came
  ASSERT_EQ(gui.Rows(), 3);
  EXPECT_EQ(gui.Cell(0, 0), L"1");
  EXPECT_EQ(gui.Cell(0, 1), L"光年之外");
  EXPECT_EQ(gui.Cell(1, 1), L"说散就散");
  EXPECT_EQ(gui.Cell(2, 4), L"2003");
  EXPECT_EQ(gui.Cell(2, 3), W(s.server.Url("/v/2003.mp4").value));
  EXPECT_EQ(gui.layer.GetText(controls::kIdBuffer, nullptr), "2001\r\n2002\r\n2003\r\n"_t);
  EXPECT_EQ(TextOf(gui.C("编辑框2")), L"2001\r\n2002\r\n2003\r\n");

  gui.Click("按钮8");
  ASSERT_TRUE(gui.WaitBoxes(1));
  HWND result = gui.Boxes()[0];
  EXPECT_EQ(TextOf(result), L"下载结果");
  EXPECT_EQ(BoxText(result), L"神曲下载完成：成功 2 首，失败 1 首\n说散就散 服务器返回错误（404）");
  // One OK button, no icon, no owner.
  EXPECT_EQ(GetWindow(result, GW_OWNER), nullptr);
  EXPECT_NE(GetDlgItem(result, IDOK), nullptr);
  EXPECT_EQ(GetDlgItem(result, IDCANCEL), nullptr);
  HWND icon = GetDlgItem(result, 0x0440);  // the icon's place in the box
  EXPECT_TRUE(!icon || !IsWindowVisible(icon) || !SendMessageW(icon, STM_GETICON, 0, 0));
  // While the message is open, the window serves and another job is refused.
  gui.Click("按钮1");
  ASSERT_TRUE(gui.WaitBoxes(2));
  HWND busy = gui.Boxes()[1];
  EXPECT_EQ(TextOf(busy), L"错误");
  EXPECT_EQ(BoxText(busy), L"有其他线程正在运行，请稍后");
  EXPECT_EQ(gui.Rows(), 3);
  PressOk(busy);
  PressOk(result);
  ASSERT_TRUE(gui.WaitIdle());
  EXPECT_TRUE(gui.Boxes().empty());
  EXPECT_EQ(gui.Status(), L"神曲下载完成：成功 2 首，失败 1 首");
  const fs::path videos = s.folder / L"videos";
  EXPECT_EQ(ReadAll(videos / L"光年之外.mp4"), std::string("video \0bytes 2001", 17));
  EXPECT_EQ(ReadAll(videos / L"体面.mp4"), std::string("video \0bytes 2003", 17));
  std::set<std::wstring> present;
  for (const auto& e : fs::directory_iterator(videos))
    present.insert(e.path().filename().wstring());
  EXPECT_EQ(present, (std::set<std::wstring>{L"光年之外.mp4", L"体面.mp4"}));
  EXPECT_TRUE(gui.control->flag.Idle());

  // The popup item downloads the selected row.
  fs::remove_all(videos);
  gui.Select(2);
  gui.Menu("下载选中神曲");
  ASSERT_TRUE(gui.WaitBoxes(1));
  EXPECT_EQ(BoxText(gui.Boxes()[0]), L"神曲下载完成");
  EXPECT_EQ(TextOf(gui.Boxes()[0]), L"OK");
  PressOk(gui.Boxes()[0]);
  ASSERT_TRUE(gui.WaitIdle());
  EXPECT_EQ(fs::directory_iterator(videos)->path().filename().wstring(), L"体面.mp4");
}

// A folder whose name code page 936 cannot hold is used as it is.
TEST(WindowJobs, AChosenFolderOutsideCodePage936) {
  SiteGui s;
  Gui& gui = s.gui;
  fs::create_directory(s.folder / L"Työpöytä");  // the download makes the last level only
  gui.chosen = s.folder / L"Työpöytä" / L"바탕 화면 😀";
  gui.Click("按钮7");
  s.server.Serve("/v.mp4", "video bytes");
  gui.AddRow("神曲", Text(), s.server.Url("/v.mp4"));
  gui.Click("按钮8");
  ASSERT_TRUE(gui.WaitBoxes(1));
  EXPECT_EQ(BoxText(gui.Boxes()[0]), L"所有神曲下载完成");
  PressOk(gui.Boxes()[0]);
  ASSERT_TRUE(gui.WaitIdle());
  EXPECT_EQ(ReadAll(gui.chosen / L"神曲.mp4"), "video bytes");
}

TEST(WindowJobs, StopEndsTheRunningDownload) {
  SiteGui s;
  Gui& gui = s.gui;
  test::Reply slow;
  slow.body = std::string(400000, 'v');
  slow.rateBytesPerSecond = 20000;
  s.server.Serve("/slow.mp4", slow);
  gui.AddRow("慢", Text(), s.server.Url("/slow.mp4"));
  gui.Click("按钮8");
  ASSERT_TRUE(ServeUntil([&] { return gui.Status().find(L"%") != std::wstring::npos; }));
  gui.Menu("停止当前进行操作");
  ASSERT_TRUE(gui.WaitIdle());
  EXPECT_TRUE(gui.control->flag.Idle());
  EXPECT_TRUE(gui.Boxes().empty());
  EXPECT_TRUE(fs::is_empty(s.folder / L"videos"));  // no part file either
}

// An ended job's open message is closed with it.
TEST(WindowJobs, StopClosesTheJobsOpenMessage) {
  SiteGui s;
  Gui& gui = s.gui;
  gui.Menu("下载选中神曲");  // nothing selected: the job says so and waits
  ASSERT_TRUE(gui.WaitBoxes(1));
  EXPECT_EQ(BoxText(gui.Boxes()[0]), L"请先选中要下载的神曲");
  HWND box = gui.Boxes()[0];
  gui.Menu("停止当前进行操作");
  EXPECT_TRUE(ServeUntil([&] { return !IsWindow(box); }));
  ASSERT_TRUE(gui.WaitIdle());
  EXPECT_TRUE(gui.Boxes().empty());
}

TEST(WindowJobs, OpenTheDownloadFolderFromTheMenu) {
  SiteGui s;
  Gui& gui = s.gui;
  fs::create_directory(s.folder / L"videos");
  gui.Menu("打开下载目录");
  ASSERT_TRUE(ServeUntil([&] { return gui.folders.size() == 1; }));
  EXPECT_EQ(gui.folders[0], s.folder / L"videos");
}

// "下载全部" over one row whose video never comes; true once it is asked for.
bool StartStalledDownload(SiteGui& s) {
  test::Reply stall;
  stall.stall = true;
  s.server.Serve("/stall.mp4", stall);
  s.gui.AddRow("卡住", Text(), s.server.Url("/stall.mp4"));
  s.gui.Click("按钮8");
  return ServeUntil([&] { return !s.server.Requests().empty(); });
}

TEST(WindowJobs, CloseDuringAStalledDownload) {
  SiteGui s;
  Gui& gui = s.gui;
  ASSERT_TRUE(StartStalledDownload(s));
  const auto begin = std::chrono::steady_clock::now();
  SendMessageW(gui.window->hwnd(), WM_CLOSE, 0, 0);
  EXPECT_EQ(gui.window->hwnd(), nullptr);
  ui::ProgramExit(*gui.control, ServeOnce, 2s);
  EXPECT_LT(std::chrono::steady_clock::now() - begin, 2s);
  EXPECT_EQ(RunningWorkers(*gui.control), 0);
  EXPECT_TRUE(fs::is_empty(s.folder / L"videos"));
  EXPECT_TRUE(gui.Boxes().empty());
}

// A logoff ends the process once the window has answered: the jobs are ended
// and gone by then.
TEST(WindowJobs, EndOfSessionDuringAStalledDownload) {
  SiteGui s;
  Gui& gui = s.gui;
  ASSERT_TRUE(StartStalledDownload(s));
  SendMessageW(gui.window->hwnd(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
  EXPECT_EQ(RunningWorkers(*gui.control), 0);
  EXPECT_TRUE(fs::is_empty(s.folder / L"videos"));
}

}  // namespace
}  // namespace quorrin::win32

int main(int argc, char** argv) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  INITCOMMONCONTROLSEX classes{sizeof classes,
                               ICC_STANDARD_CLASSES | ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&classes);
  ::testing::InitGoogleTest(&argc, argv);
  const int status = RUN_ALL_TESTS();
  CoUninitialize();
  return status;
}

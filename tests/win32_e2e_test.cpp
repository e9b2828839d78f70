// End to end on Windows: the real quorrin.exe, as built for users, started
// as a process of its own and driven from outside through its window's
// controls, against the demo site standing in for the platform's hosts
// (cmake/e2e-windows.sh starts the site and points the hosts' names at it).
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "catalog.h"
#include "download/file_name.h"
#include "webtext/codepage.h"
#include "win32/main_window.h"
#include "win32/wide_text.h"

namespace quorrin::win32 {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

bool WaitFor(const std::function<bool()>& ready, std::chrono::milliseconds limit) {
  const auto until = std::chrono::steady_clock::now() + limit;
  while (!ready()) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(50ms);
  }
  return true;
}

// A control of the program's window by its form name.
HWND FindControl(HWND window, std::string_view name) {
  struct Search {
    int id;
    HWND found;
  } search{ControlId(name), nullptr};
  EnumChildWindows(
      window,
      [](HWND child, LPARAM data) -> BOOL {
        auto* s = reinterpret_cast<Search*>(data);
        if (GetDlgCtrlID(child) != s->id) return TRUE;
        s->found = child;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The program's top-level dialog window titled `title` (a message box).
HWND FindBox(DWORD process, const std::wstring& title) {
  struct Search {
    DWORD process;
    const std::wstring* title;
    HWND found;
  } search{process, &title, nullptr};
  EnumWindows(
      [](HWND w, LPARAM data) -> BOOL {
        auto* s = reinterpret_cast<Search*>(data);
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        wchar_t cls[16] = {}, text[64] = {};
        GetClassNameW(w, cls, 16);
        GetWindowTextW(w, text, 64);
        if (owner != s->process || std::wstring_view(cls) != L"#32770" || *s->title != text ||
            !IsWindowVisible(w))
          return TRUE;
        s->found = w;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// A cell of the program's song list, read through memory lent in its process.
std::wstring RemoteCell(HANDLE process, HWND list, int row, int column) {
  constexpr size_t kChars = 1024;
  const size_t size = sizeof(LVITEMW) + kChars * sizeof(wchar_t);
  auto* remote = static_cast<BYTE*>(
      VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  if (!remote) return L"<no memory>";
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = reinterpret_cast<wchar_t*>(remote + sizeof(LVITEMW));
  item.cchTextMax = kChars;
  WriteProcessMemory(process, remote, &item, sizeof item, nullptr);
  const auto n = static_cast<size_t>(SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                                                  reinterpret_cast<LPARAM>(remote)));
  std::wstring text(std::min(n, kChars), L'\0');
  ReadProcessMemory(process, remote + sizeof(LVITEMW), text.data(), text.size() * sizeof(wchar_t),
                    nullptr);
  VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  return text;
}

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// A path of this machine's file system as Wine shows it.
std::wstring WindowsPath(const std::string& path) {
  std::wstring out = Wide(path);
  if (!out.empty() && out[0] == L'/') out = L"Z:" + out;
  for (wchar_t& c : out)
    if (c == L'/') c = L'\\';
  return out;
}

// What Explorer and the loader read from quorrin.exe: the Common Controls 6
// and DPI-aware manifest, the icon and the version information.
TEST(Program, CarriesItsResources) {
  const std::wstring program = WindowsPath(QUORRIN_PROGRAM);
  HMODULE image = LoadLibraryExW(program.c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(image, nullptr);
  HRSRC manifest = FindResourceW(image, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
  ASSERT_NE(manifest, nullptr);
  const std::string text(static_cast<const char*>(LockResource(LoadResource(image, manifest))),
                         SizeofResource(image, manifest));
  EXPECT_NE(text.find("Microsoft.Windows.Common-Controls"), std::string::npos);
  EXPECT_NE(text.find("<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">"
                      "true</dpiAware>"),
            std::string::npos);
  EXPECT_NE(FindResourceW(image, MAKEINTRESOURCEW(1), RT_GROUP_ICON), nullptr);
  HICON icon = static_cast<HICON>(LoadImageW(image, MAKEINTRESOURCEW(1), IMAGE_ICON, 256, 256, 0));
  EXPECT_NE(icon, nullptr);
  if (icon) DestroyIcon(icon);
  FreeLibrary(image);

  std::vector<BYTE> info(GetFileVersionInfoSizeW(program.c_str(), nullptr));
  ASSERT_FALSE(info.empty());
  ASSERT_TRUE(
      GetFileVersionInfoW(program.c_str(), 0, static_cast<DWORD>(info.size()), info.data()));
  auto value = [&](const wchar_t* name) {
    wchar_t* text = nullptr;
    UINT length = 0;
    const std::wstring key = std::wstring(L"\\StringFileInfo\\080404B0\\") + name;
    if (!VerQueryValueW(info.data(), key.c_str(), reinterpret_cast<void**>(&text), &length))
      return std::wstring(L"<none>");
    return std::wstring(text);
  };
  EXPECT_EQ(value(L"FileDescription"), L"Quorrin 神曲下载工具");
  EXPECT_EQ(value(L"ProductName"), L"Quorrin");
  EXPECT_EQ(value(L"OriginalFilename"), L"quorrin.exe");
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);  // 1.0
}

TEST(EndToEnd, TheProgramHarvestsTheDailyChartAndDownloadsIt) {
  if (!GetEnvironmentVariableW(L"QUORRIN_E2E", nullptr, 0))
    GTEST_SKIP() << "run by cmake/e2e-windows.sh, which stands the demo site in for the platform";
  const fs::path folder =
      fs::temp_directory_path() / ("quorrin-e2e-" + std::to_string(GetTickCount64()));

  std::wstring command = L"\"" + WindowsPath(QUORRIN_PROGRAM) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION program{};
  ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &program));
  HWND window = nullptr;
  ASSERT_TRUE(WaitFor(
      [&] {
        window = FindWindowW(kMainWindowClass, L"[Zandrel]Quorrin V1.0");
        return window != nullptr && FindControl(window, "透明标签1") != nullptr;
      },
      60s));
  HWND list = FindControl(window, "超级列表框1");
  ASSERT_NE(list, nullptr);

  // The daily chart, as the user asks for it.
  SendMessageW(FindControl(window, "按钮4"), BM_CLICK, 0, 0);
  const auto chart = demo::DailyChart();
  const int rows = static_cast<int>(chart.size());
  ASSERT_TRUE(WaitFor(
      [&] {
        return SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) == rows &&
               !RemoteCell(program.hProcess, list, rows - 1, 3).empty();
      },
      60s));
  std::this_thread::sleep_for(1500ms);  // the harvest's pause after its last row
  for (int r = 0; r < rows; ++r) {
    const demo::Work& w = *demo::FindWork(chart[static_cast<size_t>(r)]);
    EXPECT_EQ(RemoteCell(program.hProcess, list, r, 4), Wide(w.id));
    EXPECT_EQ(RemoteCell(program.hProcess, list, r, 1),
              Wide(LocalToUtf8(Utf8ToLocal(Utf8(w.title)))));
  }

  // All of it into a fresh folder.
  SendMessageW(FindControl(window, "编辑框3"), WM_SETTEXT, 0,
               reinterpret_cast<LPARAM>(folder.wstring().c_str()));
  SendMessageW(FindControl(window, "按钮8"), BM_CLICK, 0, 0);
  HWND result = nullptr;
  ASSERT_TRUE(WaitFor(
      [&] { return (result = FindBox(program.dwProcessId, L"下载结果")) != nullptr; }, 120s));
  wchar_t text[512] = {};
  GetDlgItemTextW(result, 0xFFFF, text, 512);
  EXPECT_EQ(std::wstring(text),
            L"神曲下载完成：成功 8 首，失败 1 首\n已下架的作品 服务器返回错误（404）");
  PostMessageW(result, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(result, IDOK)));
  HWND status = FindControl(window, "透明标签1");
  EXPECT_TRUE(WaitFor(
      [&] {
        wchar_t line[128] = {};
        GetWindowTextW(status, line, 128);
        return std::wstring(line) == L"神曲下载完成：成功 8 首，失败 1 首";
      },
      10s));

  std::set<fs::path> expected;
  for (const auto& id : chart) {
    const demo::Work& w = *demo::FindWork(id);
    if (w.videoMissing) continue;
    Utf8 name = SafeFileName(LocalToUtf8(Utf8ToLocal(Utf8(w.title))), Utf8(id));
    if (id == "10004") name += " (10004)"_u8;  // the second work titled 爱你
    const fs::path file = fs::path(Wide(name + ".mp4"_u8));
    expected.insert(file);
    EXPECT_EQ(ReadAll(folder / file), demo::VideoBytes(w)) << name.value;
  }
  std::set<fs::path> present;
  for (const auto& e : fs::directory_iterator(folder)) present.insert(e.path().filename());
  EXPECT_EQ(present, expected);

  // Closed as a user closes it: the process ends by itself.
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(WaitForSingleObject(program.hProcess, 10000), WAIT_OBJECT_0);
  DWORD code = 1;
  GetExitCodeProcess(program.hProcess, &code);
  EXPECT_EQ(code, 0u);
  if (WaitForSingleObject(program.hProcess, 0) != WAIT_OBJECT_0)
    TerminateProcess(program.hProcess, 1);
  CloseHandle(program.hThread);
  CloseHandle(program.hProcess);
  std::error_code error;
  fs::remove_all(folder, error);
}

}  // namespace
}  // namespace quorrin::win32

#include "win32/desktop.h"

#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "win32/wide_text.h"
#include "win32/window_layer.h"

namespace quorrin::win32 {
namespace {

void ShellOpen(const std::wstring& target) {
  ShellExecuteW(nullptr, L"open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

// The older chooser, for systems without the folder picker: the prompt above
// the folder tree and an edit field for a typed name.
std::filesystem::path BrowseForFolder(HWND owner, const std::wstring& prompt) {
  BROWSEINFOW info{};
  info.hwndOwner = owner;
  info.lpszTitle = prompt.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_EDITBOX | BIF_NEWDIALOGSTYLE;
  PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);
  if (!chosen) return {};
  std::wstring path(MAX_PATH * 8, L'\0');
  const bool named =
      SHGetPathFromIDListEx(chosen, path.data(), static_cast<DWORD>(path.size()), GPFIDL_DEFAULT);
  CoTaskMemFree(chosen);
  if (!named) return {};
  path.resize(wcslen(path.c_str()));
  return std::filesystem::path(path);
}

// The system's folder picker, titled with the prompt. Only folders that have
// a file-system path can be chosen.
std::filesystem::path PickFolder(HWND owner, const std::wstring& prompt) {
  IFileOpenDialog* dialog = nullptr;
  if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(&dialog)))) {
    return BrowseForFolder(owner, prompt);
  }
  std::filesystem::path result;
  FILEOPENDIALOGOPTIONS options = 0;
  dialog->GetOptions(&options);
  dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST);
  dialog->SetTitle(prompt.c_str());
  if (SUCCEEDED(dialog->Show(owner))) {
    IShellItem* item = nullptr;
    if (SUCCEEDED(dialog->GetResult(&item))) {
      PWSTR path = nullptr;
      if (SUCCEEDED(item->GetDisplayName(SIGDN_FILESYSPATH, &path))) {
        result = std::filesystem::path(path);
        CoTaskMemFree(path);
      }
      item->Release();
    }
  }
  dialog->Release();
  return result;
}

// Unicode text on the clipboard; nothing when it cannot be opened.
void PlaceOnClipboard(HWND owner, const std::wstring& text) {
  if (!OpenClipboard(owner)) return;
  EmptyClipboard();
  const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
    if (void* to = GlobalLock(memory)) {
      memcpy(to, text.c_str(), bytes);
      GlobalUnlock(memory);
      if (!SetClipboardData(CF_UNICODETEXT, memory)) GlobalFree(memory);
    } else {
      GlobalFree(memory);
    }
  }
  CloseClipboard();
}

// One OK button, no icon; the window's other windows take no input meanwhile.
void ModalMessage(HWND, const std::wstring& text, const std::wstring& title) {
  MessageBoxW(nullptr, text.c_str(), title.empty() ? L"信息：" : title.c_str(),
              MB_OK | MB_TASKMODAL);
}

}  // namespace

Shell DesktopShell() {
  Shell shell;
  shell.openAddress = ShellOpen;
  shell.chooseFolder = PickFolder;
  shell.copyToClipboard = PlaceOnClipboard;
  shell.showModal = ModalMessage;
  shell.openFolder = [](const std::filesystem::path& folder) { ShellOpen(folder.wstring()); };
  return shell;
}

std::filesystem::path DefaultDownloadFolder() {
  std::filesystem::path base;
  PWSTR desktop = nullptr;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Desktop, 0, nullptr, &desktop)) && desktop) {
    base = std::filesystem::path(desktop);
  } else if (PWSTR profile = nullptr;
             SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Profile, 0, nullptr, &profile)) && profile) {
    base = std::filesystem::path(profile);
    CoTaskMemFree(profile);
  }
  CoTaskMemFree(desktop);
  return base / L"shenqu";
}

std::filesystem::path ProgramFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  return std::filesystem::path(path).parent_path();
}

void Win32Desktop::OpenAddress(const Utf8& address) {
  shell_.openAddress(Wide(address));
}

std::filesystem::path Win32Desktop::ChooseFolder(const Utf8& prompt) {
  return shell_.chooseFolder(window_, Wide(prompt));
}

void Win32Desktop::CopyToClipboard(const Utf8& text) {
  shell_.copyToClipboard(window_, Wide(text));
}

void Win32Desktop::ShowModal(const Utf8& text, const Utf8& title) {
  shell_.showModal(window_, Wide(text), Wide(title));
}

void Win32Desktop::OpenFolder(const std::filesystem::path& folder) {
  layer_.Post([open = shell_.openFolder, folder] { open(folder); });
}

}  // namespace quorrin::win32

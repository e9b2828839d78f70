#include "win32/window_layer.h"

#include <commctrl.h>

#include <thread>

#include "win32/wide_text.h"

namespace quorrin::win32 {
namespace {

constexpr UINT kRunCall = WM_APP + 1;    // lParam: std::function<void()>*, run and wait
constexpr UINT kRunPosted = WM_APP + 2;  // lParam: std::function<void()>*, owned by the call
constexpr wchar_t kCallsClass[] = L"QuorrinWindowCalls";

LRESULT CALLBACK CallsProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kRunCall) {
    (*reinterpret_cast<std::function<void()>*>(lParam))();
    return 0;
  }
  if (message == kRunPosted) {
    std::unique_ptr<std::function<void()>> call(reinterpret_cast<std::function<void()>*>(lParam));
    (*call)();
    return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

void RegisterCallsClass() {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  if (GetClassInfoExW(GetModuleHandleW(nullptr), kCallsClass, &wc)) return;
  wc.lpfnWndProc = CallsProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = kCallsClass;
  RegisterClassExW(&wc);
}

std::wstring WindowText(HWND hwnd) {
  if (!hwnd) return std::wstring();
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
  text.resize(
      static_cast<size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
  return text;
}

}  // namespace

// One job box: the thread that shows it and, once it is on screen, its window.
struct Win32WindowLayer::Box {
  std::mutex mutex;
  HWND hwnd = nullptr;
  bool closing = false;  // closed by the program: `closed` does not run
  bool done = false;
  std::thread thread;
};

namespace {

thread_local Win32WindowLayer::Box* tShowing = nullptr;

// Notes the box's window as soon as it exists, so that it can be closed.
LRESULT CALLBACK BoxCreated(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND && tShowing) {
    const HWND hwnd = reinterpret_cast<HWND>(wParam);
    wchar_t cls[16] = {};
    GetClassNameW(hwnd, cls, 16);
    if (std::wstring_view(cls) == L"#32770") {
      std::lock_guard<std::mutex> lock(tShowing->mutex);
      if (!tShowing->hwnd) {
        tShowing->hwnd = hwnd;
        if (tShowing->closing) PostMessageW(hwnd, WM_COMMAND, IDOK, 0);
      }
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

void ShowBox(Win32WindowLayer::Box& box, const std::wstring& text, const std::wstring& title,
             const std::function<void()>& closed) {
  tShowing = &box;
  HHOOK hook = SetWindowsHookExW(WH_CBT, BoxCreated, nullptr, GetCurrentThreadId());
  bool show;
  {
    std::lock_guard<std::mutex> lock(box.mutex);
    show = !box.closing;
  }
  if (show) MessageBoxW(nullptr, text.c_str(), title.c_str(), MB_OK | MB_SETFOREGROUND);
  if (hook) UnhookWindowsHookEx(hook);
  tShowing = nullptr;
  bool byUser;
  {
    std::lock_guard<std::mutex> lock(box.mutex);
    byUser = !box.closing;
    box.hwnd = nullptr;
    box.done = true;
  }
  if (byUser && closed) closed();
}

}  // namespace

Win32WindowLayer::Win32WindowLayer() : thread_(GetCurrentThreadId()) {
  RegisterCallsClass();
  calls_ = CreateWindowExW(0, kCallsClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

Win32WindowLayer::~Win32WindowLayer() {
  if (calls_) {
    // Calls queued and never run are dropped with their payload.
    MSG m;
    while (PeekMessageW(&m, calls_, kRunPosted, kRunPosted, PM_REMOVE))
      delete reinterpret_cast<std::function<void()>*>(m.lParam);
    DestroyWindow(calls_);
  }
  std::map<MessageId, std::shared_ptr<Box>> boxes;
  {
    std::lock_guard<std::mutex> lock(boxesMutex_);
    boxes.swap(boxes_);
  }
  for (auto& [id, box] : boxes) {
    std::lock_guard<std::mutex> lock(box->mutex);
    box->closing = true;
    if (box->hwnd) PostMessageW(box->hwnd, WM_COMMAND, IDOK, 0);
  }
  for (auto& [id, box] : boxes) {
    if (box->thread.joinable()) box->thread.join();
  }
}

void Win32WindowLayer::Attach(const LayerControls& controls) {
  c_ = controls;
}

template <class F>
auto Win32WindowLayer::OnWindowThread(JobToken* job, F&& apply) {
  using R = decltype(apply());
  R result{};
  if (job && job->Ended()) return result;
  std::function<void()> run = [&] {
    if (job) {
      job->Apply([&] { result = apply(); });
    } else {
      result = apply();
    }
  };
  if (GetCurrentThreadId() == thread_) {
    run();
  } else if (calls_) {
    // Returns once the window thread has run the call; at once when the
    // window is gone.
    SendMessageW(calls_, kRunCall, 0, reinterpret_cast<LPARAM>(&run));
  }
  return result;
}

void Win32WindowLayer::Post(std::function<void()> call) {
  auto* payload = new std::function<void()>(std::move(call));
  if (!calls_ || !PostMessageW(calls_, kRunPosted, 0, reinterpret_cast<LPARAM>(payload)))
    delete payload;
}

Text Win32WindowLayer::GetText(std::string_view control, JobToken* job) {
  return OnWindowThread(job, [&] {
    if (control == controls::kIdBuffer) return idBuffer_;
    if (control == controls::kAnchorNumber) return LocalFromWide(WindowText(c_.anchorNumber));
    if (control == controls::kDownloadFolder) return LocalFromWide(WindowText(c_.downloadFolder));
    return Text();
  });
}

std::filesystem::path Win32WindowLayer::GetPath(std::string_view control, JobToken* job) {
  return OnWindowThread(job, [&] {
    if (control == controls::kDownloadFolder)
      return std::filesystem::path(WindowText(c_.downloadFolder));
    return std::filesystem::path();
  });
}

void Win32WindowLayer::SetPath(std::string_view control, const std::filesystem::path& path,
                               JobToken* job) {
  OnWindowThread(job, [&] {
    if (control == controls::kDownloadFolder && c_.downloadFolder)
      SetWindowTextW(c_.downloadFolder, path.wstring().c_str());
    return 0;
  });
}

void Win32WindowLayer::SetText(std::string_view control, const Text& text, JobToken* job) {
  OnWindowThread(job, [&] {
    HWND target = nullptr;
    if (control == controls::kIdBuffer) {
      idBuffer_ = text;
      target = c_.idBuffer;
    }
    if (control == controls::kDownloadFolder) target = c_.downloadFolder;
    if (control == controls::kAnchorNumber) target = c_.anchorNumber;
    if (control == controls::kStatusLine) target = c_.statusLine;
    if (target) SetWindowTextW(target, WideLocal(text).c_str());
    return 0;
  });
}

void Win32WindowLayer::AppendText(std::string_view control, const Text& text, JobToken* job) {
  OnWindowThread(job, [&] {
    if (control != controls::kIdBuffer) return 0;
    idBuffer_ += text;
    if (c_.idBuffer) {
      const LRESULT end = SendMessageW(c_.idBuffer, WM_GETTEXTLENGTH, 0, 0);
      SendMessageW(c_.idBuffer, EM_SETSEL, static_cast<WPARAM>(end), end);
      SendMessageW(c_.idBuffer, EM_REPLACESEL, FALSE,
                   reinterpret_cast<LPARAM>(WideLocal(text).c_str()));
    }
    return 0;
  });
}

void Win32WindowLayer::SetCaption(std::string_view control, const Text& text, JobToken* job) {
  OnWindowThread(job, [&] {
    if (control == controls::kSongGroup && c_.songGroup)
      SetWindowTextW(c_.songGroup, WideLocal(text).c_str());
    return 0;
  });
}

void Win32WindowLayer::SetTextColour(std::string_view control, Colour colour, JobToken* job) {
  OnWindowThread(job, [&] {
    if (control == controls::kStatusLine) {
      // red + 256 * green + 65536 * blue is a COLORREF already.
      statusColour_ = static_cast<COLORREF>(colour & 0xFFFFFF);
      if (c_.statusLine) InvalidateRect(c_.statusLine, nullptr, TRUE);
    }
    return 0;
  });
}

void Win32WindowLayer::ClearRows(JobToken* job) {
  OnWindowThread(job, [&] {
    if (c_.songList) SendMessageW(c_.songList, LVM_DELETEALLITEMS, 0, 0);
    return 0;
  });
}

void Win32WindowLayer::AppendRow(JobToken* job) {
  OnWindowThread(job, [&] {
    if (!c_.songList) return 0;
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(SendMessageW(c_.songList, LVM_GETITEMCOUNT, 0, 0));
    item.pszText = const_cast<wchar_t*>(L"");
    SendMessageW(c_.songList, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    return 0;
  });
}

void Win32WindowLayer::SetCell(int row, int column, const Text& text, JobToken* job) {
  OnWindowThread(job, [&] {
    if (!c_.songList || row < 0 || column < 0 || column > 4) return 0;
    if (row >= SendMessageW(c_.songList, LVM_GETITEMCOUNT, 0, 0)) return 0;
    std::wstring shown = WideLocal(text);
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = shown.data();
    SendMessageW(c_.songList, LVM_SETITEMTEXTW, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(&item));
    return 0;
  });
}

Text Win32WindowLayer::CellText(int row, int column, JobToken* job) {
  return OnWindowThread(job, [&] {
    if (!c_.songList || row < 0 || column < 0 || column > 4) return Text();
    if (row >= SendMessageW(c_.songList, LVM_GETITEMCOUNT, 0, 0)) return Text();
    // The list copies at most the buffer less one; a full buffer may mean more.
    for (size_t size = 256;; size *= 4) {
      std::wstring buffer(size, L'\0');
      LVITEMW item{};
      item.iSubItem = column;
      item.pszText = buffer.data();
      item.cchTextMax = static_cast<int>(size);
      const auto n =
          static_cast<size_t>(SendMessageW(c_.songList, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                                           reinterpret_cast<LPARAM>(&item)));
      if (n + 1 < size || size > (1u << 24))
        return LocalFromWide(std::wstring_view(buffer.data(), n));
    }
  });
}

int Win32WindowLayer::RowCount(JobToken* job) {
  return OnWindowThread(job, [&] {
    return c_.songList ? static_cast<int>(SendMessageW(c_.songList, LVM_GETITEMCOUNT, 0, 0)) : 0;
  });
}

int Win32WindowLayer::SelectedRow(JobToken* job) {
  bool applied = false;
  const int row = OnWindowThread(job, [&] {
    applied = true;
    return c_.songList ? static_cast<int>(SendMessageW(c_.songList, LVM_GETNEXTITEM,
                                                       static_cast<WPARAM>(-1), LVNI_SELECTED))
                       : -1;
  });
  return applied ? row : -1;
}

void Win32WindowLayer::JoinClosedBoxes() {
  std::vector<std::shared_ptr<Box>> closed;
  {
    std::lock_guard<std::mutex> lock(boxesMutex_);
    for (auto it = boxes_.begin(); it != boxes_.end();) {
      bool done;
      {
        std::lock_guard<std::mutex> boxLock(it->second->mutex);
        done = it->second->done;
      }
      if (done) {
        closed.push_back(it->second);
        it = boxes_.erase(it);
      } else {
        ++it;
      }
    }
  }
  for (auto& box : closed) {
    if (box->thread.joinable()) box->thread.join();
  }
}

MessageId Win32WindowLayer::OpenMessage(const Text& text, const Text& title,
                                        std::function<void()> closed, JobToken* job) {
  return OnWindowThread(job, [&]() -> MessageId {
    JoinClosedBoxes();
    auto box = std::make_shared<Box>();
    const std::wstring shownTitle = title.empty() ? std::wstring(L"信息：") : WideLocal(title);
    std::lock_guard<std::mutex> lock(boxesMutex_);
    const MessageId id = nextBox_++;
    try {
      box->thread = std::thread([box, shown = WideLocal(text), shownTitle, closed] {
        ShowBox(*box, shown, shownTitle, closed);
      });
    } catch (const std::system_error&) {
      return 0;
    }
    boxes_[id] = box;
    return id;
  });
}

void Win32WindowLayer::CloseMessage(MessageId id) {
  std::shared_ptr<Box> box;
  {
    std::lock_guard<std::mutex> lock(boxesMutex_);
    auto it = boxes_.find(id);
    if (it == boxes_.end()) return;
    box = it->second;
  }
  std::lock_guard<std::mutex> lock(box->mutex);
  if (box->done || box->closing) return;
  box->closing = true;
  if (box->hwnd) PostMessageW(box->hwnd, WM_COMMAND, IDOK, 0);
}

std::vector<HWND> Win32WindowLayer::OpenBoxes() const {
  std::vector<HWND> out;
  std::lock_guard<std::mutex> lock(boxesMutex_);
  for (const auto& [id, box] : boxes_) {
    std::lock_guard<std::mutex> boxLock(box->mutex);
    if (box->hwnd && !box->closing && !box->done && IsWindowVisible(box->hwnd))
      out.push_back(box->hwnd);
  }
  return out;
}

}  // namespace quorrin::win32

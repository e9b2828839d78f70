// The window layer on the system's controls. A call from a worker is sent to
// the window thread as a private message carrying the call and waits there
// until it has been applied, so one caller's calls apply in order and a read
// sees every earlier write; a call of an ended job is dropped where it is
// applied, under the job's gate. A job's message box is a MessageBoxW on a
// thread of its own, so it blocks neither the window nor other boxes.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "jobs/window_layer.h"

namespace quorrin::win32 {

// The controls the layer reaches, by role.
struct LayerControls {
  HWND anchorNumber = nullptr;    // 编辑框1
  HWND idBuffer = nullptr;        // 编辑框2
  HWND downloadFolder = nullptr;  // 编辑框3
  HWND songGroup = nullptr;       // 分组框1
  HWND statusLine = nullptr;      // 透明标签1
  HWND songList = nullptr;        // 超级列表框1
};

class Win32WindowLayer : public WindowLayer {
 public:
  // Made on the thread that will run the window.
  Win32WindowLayer();
  ~Win32WindowLayer() override;
  Win32WindowLayer(const Win32WindowLayer&) = delete;
  Win32WindowLayer& operator=(const Win32WindowLayer&) = delete;

  // The window's controls; Detach when they are gone, so that later calls
  // find nothing to change.
  void Attach(const LayerControls& controls);
  void Detach() { Attach(LayerControls{}); }

  Text GetText(std::string_view control, JobToken* job) override;
  void SetText(std::string_view control, const Text& text, JobToken* job) override;
  void AppendText(std::string_view control, const Text& text, JobToken* job) override;
  void SetCaption(std::string_view control, const Text& text, JobToken* job) override;
  void SetTextColour(std::string_view control, Colour colour, JobToken* job) override;
  std::filesystem::path GetPath(std::string_view control, JobToken* job) override;
  void SetPath(std::string_view control, const std::filesystem::path& path, JobToken* job) override;
  void ClearRows(JobToken* job) override;
  void AppendRow(JobToken* job) override;
  void SetCell(int row, int column, const Text& text, JobToken* job) override;
  Text CellText(int row, int column, JobToken* job) override;
  int RowCount(JobToken* job) override;
  int SelectedRow(JobToken* job) override;
  MessageId OpenMessage(const Text& text, const Text& title, std::function<void()> closed,
                        JobToken* job) override;
  void CloseMessage(MessageId id) override;

  // The status line's text colour as a COLORREF (window thread).
  COLORREF StatusColour() const { return statusColour_; }
  // Queues `call` for the window thread and returns at once (any thread).
  void Post(std::function<void()> call);
  // Job boxes that are open on screen now (tests).
  std::vector<HWND> OpenBoxes() const;

  struct Box;

 private:
  template <class F>
  auto OnWindowThread(JobToken* job, F&& apply);
  void JoinClosedBoxes();

  HWND calls_ = nullptr;  // message-only window that runs the calls
  DWORD thread_ = 0;
  LayerControls c_;
  Text idBuffer_;  // 编辑框2 byte for byte, line breaks included
  COLORREF statusColour_ = RGB(0, 0, 0);

  mutable std::mutex boxesMutex_;
  std::map<MessageId, std::shared_ptr<Box>> boxes_;
  MessageId nextBox_ = 1;
};

}  // namespace quorrin::win32

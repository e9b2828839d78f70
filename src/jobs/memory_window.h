// A window held in memory: keeps the texts, captions, colours and rows,
// records every applied call in order, and lets its owner decide when a shown
// message is closed. Used by the tests and the benchmarks.
#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "jobs/window_layer.h"

namespace quorrin {

class MemoryWindow : public WindowLayer {
 public:
  struct Message {
    MessageId id = 0;
    Text text, title;
    bool open = true;
    std::function<void()> closed;
  };

  // With `autoClose`, every message is closed as soon as it is shown. Without
  // `recordCalls`, Calls() stays empty, so that a long-lived window does not
  // grow with every call.
  explicit MemoryWindow(bool autoClose = true, bool recordCalls = true)
      : autoClose_(autoClose), recordCalls_(recordCalls) {}

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

  // What a user or a test does.
  void Select(int row);
  // The user closes the box with OK: its waiter wakes.
  bool CloseByUser(MessageId id);
  std::vector<Message> Messages() const;
  std::vector<Message> OpenMessages() const;
  std::vector<std::array<Text, 5>> Rows() const;
  Text Caption(std::string_view control) const;
  Text TextOf(std::string_view control) const;
  // Every applied call, in order, as "Operation control|row,col: text".
  std::vector<std::string> Calls() const;
  size_t CallCount() const;
  // Waits until `ready()` holds after some change (or at once); false on time-out.
  bool WaitFor(const std::function<bool()>& ready,
               std::chrono::milliseconds timeout = std::chrono::seconds(20)) const;

 private:
  template <class F>
  auto Locked(JobToken* job, F&& apply);
  void Record(std::string call);

  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  bool autoClose_;
  bool recordCalls_;
  std::map<std::string, Text, std::less<>> texts_;
  std::map<std::string, Text, std::less<>> captions_;
  std::map<std::string, Colour, std::less<>> colours_;
  std::map<std::string, std::filesystem::path, std::less<>> paths_;
  std::vector<std::array<Text, 5>> rows_;
  int selected_ = -1;
  std::vector<Message> messages_;
  MessageId nextMessage_ = 1;
  std::vector<std::string> calls_;
};

}  // namespace quorrin

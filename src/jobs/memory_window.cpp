#include "jobs/memory_window.h"

#include "webtext/codepage.h"
#include "webtext/path_text.h"

namespace quorrin {

// Applies `apply` under the window's lock, through the job's gate when given.
template <class F>
auto MemoryWindow::Locked(JobToken* job, F&& apply) {
  using R = decltype(apply());
  R result{};
  auto run = [&] {
    std::lock_guard<std::mutex> lock(mutex_);
    result = apply();
  };
  if (job) {
    job->Apply(run);
  } else {
    run();
  }
  changed_.notify_all();
  return result;
}

void MemoryWindow::Record(std::string call) {
  if (recordCalls_) calls_.push_back(std::move(call));
}

// An edit box holds one value: the last text or path written into it, read
// back in either form as a real box would give it.
Text MemoryWindow::GetText(std::string_view control, JobToken* job) {
  return Locked(job, [&] {
    if (auto p = paths_.find(control); p != paths_.end()) return Utf8ToLocal(PathToUtf8(p->second));
    auto it = texts_.find(control);
    return it == texts_.end() ? Text() : it->second;
  });
}

void MemoryWindow::SetText(std::string_view control, const Text& text, JobToken* job) {
  Locked(job, [&] {
    paths_.erase(std::string(control));
    texts_[std::string(control)] = text;
    Record("SetText " + std::string(control) + ": " + LocalToUtf8(text).value);
    return 0;
  });
}

std::filesystem::path MemoryWindow::GetPath(std::string_view control, JobToken* job) {
  return Locked(job, [&] {
    if (auto p = paths_.find(control); p != paths_.end()) return p->second;
    auto it = texts_.find(control);
    return it == texts_.end() ? std::filesystem::path() : PathFromUtf8(LocalToUtf8(it->second));
  });
}

void MemoryWindow::SetPath(std::string_view control, const std::filesystem::path& path,
                           JobToken* job) {
  Locked(job, [&] {
    texts_.erase(std::string(control));
    paths_[std::string(control)] = path;
    Record("SetPath " + std::string(control) + ": " + PathToUtf8(path).value);
    return 0;
  });
}

void MemoryWindow::AppendText(std::string_view control, const Text& text, JobToken* job) {
  Locked(job, [&] {
    texts_[std::string(control)] += text;
    Record("AppendText " + std::string(control) + ": " + LocalToUtf8(text).value);
    return 0;
  });
}

void MemoryWindow::SetCaption(std::string_view control, const Text& text, JobToken* job) {
  Locked(job, [&] {
    captions_[std::string(control)] = text;
    Record("SetCaption " + std::string(control) + ": " + LocalToUtf8(text).value);
    return 0;
  });
}

void MemoryWindow::SetTextColour(std::string_view control, Colour colour, JobToken* job) {
  Locked(job, [&] {
    colours_[std::string(control)] = colour;
    Record("SetTextColour " + std::string(control) + ": " + std::to_string(colour));
    return 0;
  });
}

void MemoryWindow::ClearRows(JobToken* job) {
  Locked(job, [&] {
    rows_.clear();
    selected_ = -1;
    Record("Clear");
    return 0;
  });
}

void MemoryWindow::AppendRow(JobToken* job) {
  Locked(job, [&] {
    rows_.emplace_back();
    Record("AppendRow");
    return 0;
  });
}

void MemoryWindow::SetCell(int row, int column, const Text& text, JobToken* job) {
  Locked(job, [&] {
    if (row >= 0 && row < static_cast<int>(rows_.size()) && column >= 0 && column < 5) {
      rows_[row][column] = text;
    }
    Record("SetCell " + std::to_string(row) + "," + std::to_string(column) + ": " +
           LocalToUtf8(text).value);
    return 0;
  });
}

Text MemoryWindow::CellText(int row, int column, JobToken* job) {
  return Locked(job, [&] {
    if (row < 0 || row >= static_cast<int>(rows_.size()) || column < 0 || column >= 5)
      return Text();
    return rows_[row][column];
  });
}

int MemoryWindow::RowCount(JobToken* job) {
  return Locked(job, [&] { return static_cast<int>(rows_.size()); });
}

int MemoryWindow::SelectedRow(JobToken* job) {
  bool applied = false;
  const int row = Locked(job, [&] {
    applied = true;
    return selected_;
  });
  return applied ? row : -1;
}

MessageId MemoryWindow::OpenMessage(const Text& text, const Text& title,
                                    std::function<void()> closed, JobToken* job) {
  const MessageId id = Locked(job, [&] {
    Message m;
    m.id = nextMessage_++;
    m.text = text;
    m.title = title.empty() ? Utf8ToLocal("信息："_u8) : title;
    m.closed = closed;
    m.open = !autoClose_;
    messages_.push_back(m);
    Record("ShowMessage " + LocalToUtf8(m.title).value + ": " + LocalToUtf8(text).value);
    return m.id;
  });
  // Closing runs outside the job's gate: the waiter is woken by it.
  if (id != 0 && autoClose_ && closed) closed();
  return id;
}

void MemoryWindow::CloseMessage(MessageId id) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto& m : messages_) {
      if (m.id == id) m.open = false;
    }
  }
  changed_.notify_all();
}

void MemoryWindow::Select(int row) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    selected_ = row;
  }
  changed_.notify_all();
}

bool MemoryWindow::CloseByUser(MessageId id) {
  std::function<void()> closed;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto& m : messages_) {
      if (m.id == id && m.open) {
        m.open = false;
        closed = m.closed;
      }
    }
  }
  changed_.notify_all();
  if (!closed) return false;
  closed();
  return true;
}

std::vector<MemoryWindow::Message> MemoryWindow::Messages() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return messages_;
}

std::vector<MemoryWindow::Message> MemoryWindow::OpenMessages() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<Message> out;
  for (const auto& m : messages_) {
    if (m.open) out.push_back(m);
  }
  return out;
}

std::vector<std::array<Text, 5>> MemoryWindow::Rows() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return rows_;
}

Text MemoryWindow::Caption(std::string_view control) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = captions_.find(control);
  return it == captions_.end() ? Text() : it->second;
}

Text MemoryWindow::TextOf(std::string_view control) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = texts_.find(control);
  return it == texts_.end() ? Text() : it->second;
}

std::vector<std::string> MemoryWindow::Calls() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return calls_;
}

size_t MemoryWindow::CallCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return calls_.size();
}

bool MemoryWindow::WaitFor(const std::function<bool()>& ready,
                           std::chrono::milliseconds timeout) const {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!ready()) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (changed_.wait_until(lock, std::min(deadline, std::chrono::steady_clock::now() +
                                                         std::chrono::milliseconds(20))) ==
            std::cv_status::timeout &&
        std::chrono::steady_clock::now() >= deadline) {
      lock.unlock();
      return ready();
    }
  }
  return true;
}

}  // namespace quorrin

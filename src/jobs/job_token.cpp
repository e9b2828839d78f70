#include "jobs/job_token.h"

namespace quorrin {

void JobToken::End() {
  std::function<void()> hook;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (ended_.exchange(true)) return;
    hook = std::move(endHook_);
    endHook_ = nullptr;
  }
  wake_.notify_all();
  if (hook) hook();
}

bool JobToken::SleepFor(std::chrono::milliseconds duration) {
  std::unique_lock<std::mutex> lock(mutex_);
  return !wake_.wait_for(lock, duration, [this] { return ended_.load(); });
}

bool JobToken::WaitUntil(const std::function<bool()>& done) {
  std::unique_lock<std::mutex> lock(mutex_);
  wake_.wait(lock, [&] { return ended_.load() || done(); });
  return !ended_.load();
}

void JobToken::Notify() {
  { std::lock_guard<std::mutex> lock(mutex_); }
  wake_.notify_all();
}

void JobToken::SetEndHook(std::function<void()> hook) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!ended_.load()) {
      endHook_ = std::move(hook);
      return;
    }
  }
  if (hook) hook();
}

void JobToken::ClearEndHook() {
  std::lock_guard<std::mutex> lock(mutex_);
  endHook_ = nullptr;
}

}  // namespace quorrin

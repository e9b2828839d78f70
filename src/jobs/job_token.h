// The life of one job: whether it has been ended, a wait that wakes when it
// is, and the gate through which its window calls pass.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace quorrin {

class JobToken {
 public:
  JobToken() = default;
  JobToken(const JobToken&) = delete;
  JobToken& operator=(const JobToken&) = delete;

  bool Ended() const { return ended_.load(); }
  // For fetches: set when the job is ended.
  const std::atomic<bool>* CancelFlag() const { return &ended_; }

  // Ends the job: from here on no call of it is applied. Waits only for a
  // call being applied at this moment, then runs the end hook, if any.
  void End();

  // Runs `apply` unless the job has ended.
  template <class F>
  bool Apply(F&& apply) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (ended_.load()) return false;
    apply();
    return true;
  }

  // Sleeps for `duration`; false when the job was ended meanwhile.
  bool SleepFor(std::chrono::milliseconds duration);
  // Waits until `done()` holds (re-checked on Notify) or the job is ended;
  // false when ended.
  bool WaitUntil(const std::function<bool()>& done);
  void Notify();
  // Runs once when the job is ended (replacing an earlier hook); runs at
  // once when it already has been.
  void SetEndHook(std::function<void()> hook);
  void ClearEndHook();

 private:
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::atomic<bool> ended_{false};
  std::function<void()> endHook_;
};

}  // namespace quorrin

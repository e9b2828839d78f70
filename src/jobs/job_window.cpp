#include "jobs/job_window.h"

#include <condition_variable>
#include <memory>
#include <mutex>

namespace quorrin {
namespace {

// What a waiting job and its box share; the box may outlive the job.
struct BoxWait {
  std::mutex mutex;
  std::condition_variable wake;
  bool closed = false;  // by the user
  bool ended = false;   // the job was ended
  void Mark(bool byUser) {
    {
      std::lock_guard<std::mutex> lock(mutex);
      (byUser ? closed : ended) = true;
    }
    wake.notify_all();
  }
};

}  // namespace

bool JobWindow::ShowMessage(const Text& text, const Text& title) {
  if (!job_) return false;  // a window-thread box is the window's own business
  auto wait = std::make_shared<BoxWait>();
  const MessageId id = layer_.OpenMessage(
      text, title, [wait] { wait->Mark(/*byUser=*/true); }, job_);
  if (id == 0) return false;
  WindowLayer& layer = layer_;
  job_->SetEndHook([wait, &layer, id] {
    layer.CloseMessage(id);
    wait->Mark(/*byUser=*/false);
  });
  std::unique_lock<std::mutex> lock(wait->mutex);
  wait->wake.wait(lock, [&] { return wait->closed || wait->ended; });
  const bool closedByUser = wait->closed && !wait->ended;
  lock.unlock();
  job_->ClearEndHook();
  return closedByUser && !job_->Ended();
}

}  // namespace quorrin

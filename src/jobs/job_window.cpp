#include "jobs/job_window.h"

#include <atomic>
#include <memory>

namespace quorrin {

bool JobWindow::ShowMessage(const Text& text, const Text& title) {
  if (!job_) return false;  // a window-thread box is the window's own business
  auto closed = std::make_shared<std::atomic<bool>>(false);
  JobToken* job = job_;
  const MessageId id = layer_.OpenMessage(
      text, title,
      [closed, job] {
        closed->store(true);
        job->Notify();
      },
      job);
  if (id == 0) return false;
  WindowLayer& layer = layer_;
  job->SetEndHook([&layer, id] { layer.CloseMessage(id); });
  const bool closedByUser = job->WaitUntil([closed] { return closed->load(); });
  job->ClearEndHook();
  return closedByUser;
}

}  // namespace quorrin

// Admits one job at a time and runs every job on a worker thread of its own.
//
// The busy flag records which job holds it, so a job's own release frees
// only its own hold; stopping sets it idle outright. Workers are ended by
// request: their token is ended, which wakes every wait and fetch of theirs
// and drops their window calls. Neither stopping nor ending waits for a worker.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "jobs/job_token.h"
#include "jobs/job_window.h"
#include "jobs/window_layer.h"

namespace quorrin {

class BusyFlag {
 public:
  // Busy from the start until the window has been created and set it idle.
  BusyFlag() = default;
  bool Idle() const { return holder_.load() == kIdle; }
  // Takes the flag for `job` when it is idle, in one atomic step.
  bool TryTake(uint64_t job);
  // Frees the flag only when `job` holds it.
  void Release(uint64_t job);
  void SetIdle() { holder_.store(kIdle); }
  void SetReleased() { holder_.store(kUnset); }

 private:
  static constexpr uint64_t kIdle = 0;
  static constexpr uint64_t kUnset = UINT64_MAX;
  std::atomic<uint64_t> holder_{kUnset};
};

class JobContext;
using Job = std::function<void(JobContext&)>;

struct Worker {
  std::shared_ptr<JobToken> token;  // null for a worker that could not be started
  std::shared_ptr<std::atomic<bool>> finished;
  std::thread thread;
};

// Busy flag, worker registry and the window the jobs write into.
struct JobControl {
  explicit JobControl(WindowLayer& w) : window(w) {}
  WindowLayer& window;
  BusyFlag flag;
  std::vector<Worker> registry;  // window thread only
  uint64_t nextJob = 1;          // window thread only
  // For tests: runs on the worker inside BeginJob, after its first look at
  // whether the job was ended and before it takes the flag.
  std::function<void()> beforeTake;
};

// What a running job has: its window, its token and its place in the flag.
class JobContext {
 public:
  JobContext(JobControl& control, std::shared_ptr<JobToken> token, uint64_t id)
      : control_(control),
        token_(std::move(token)),
        id_(id),
        window_(control.window, token_.get()) {}

  JobWindow& window() { return window_; }
  JobToken& token() { return *token_; }
  bool Ended() const { return token_->Ended(); }
  const std::atomic<bool>* CancelFlag() const { return token_->CancelFlag(); }
  uint64_t id() const { return id_; }
  BusyFlag& flag() { return control_.flag; }
  JobControl& control() { return control_; }

 private:
  JobControl& control_;
  std::shared_ptr<JobToken> token_;
  uint64_t id_;
  JobWindow window_;
};

inline const Utf8 kBusyMessage = "有其他线程正在运行，请稍后"_u8;
inline const Utf8 kBusyTitle = "错误"_u8;

// Creates the empty registry (and a busy, unset flag).
std::unique_ptr<JobControl> CreateWorkerRegistry(WindowLayer& window);
// Window thread: starts `job` on a new worker and returns at once.
void StartJob(JobControl& control, Job job);
// On the job's worker: takes the flag, or shows the busy message, waits for
// it to be closed and gives false.
bool BeginJob(JobContext& job);
// Window thread, at start-up: the flag becomes idle.
void SetIdle(JobControl& control);
// A job's last act: frees the flag when the job still holds it and has not
// been ended.
void SetIdle(JobContext& job);
// Window thread: ends every worker, then sets the flag idle.
void StopAllJobs(JobControl& control);
// Window thread, before the window goes: ends every worker.
void EndAllWorkers(JobControl& control);
// At exit: waits for the ended workers to leave and releases flag and registry.
void ReleaseJobControl(JobControl& control);

// Number of workers that have not yet finished (tests and shut-down).
int RunningWorkers(const JobControl& control);
// Waits until every worker has finished; false on time-out.
bool WaitForWorkers(const JobControl& control, std::chrono::milliseconds timeout);

}  // namespace quorrin

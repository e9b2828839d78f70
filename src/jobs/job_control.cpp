#include "jobs/job_control.h"

#include <system_error>

#include "webtext/codepage.h"

namespace quorrin {
namespace {

void EndEvery(JobControl& control) {
  const size_t n = control.registry.size();
  for (size_t i = 0; i < n; ++i) {
    if (control.registry[i].token) control.registry[i].token->End();
  }
}

// Finished workers leave the registry; running ones all stay reachable.
void DropFinished(JobControl& control) {
  auto& r = control.registry;
  for (auto it = r.begin(); it != r.end();) {
    if (!it->finished || it->finished->load()) {
      if (it->thread.joinable()) it->thread.join();
      it = r.erase(it);
    } else {
      ++it;
    }
  }
}

}  // namespace

bool BusyFlag::TryTake(uint64_t job) {
  uint64_t expected = kIdle;
  return holder_.compare_exchange_strong(expected, job);
}

void BusyFlag::Release(uint64_t job) {
  uint64_t expected = job;
  holder_.compare_exchange_strong(expected, kIdle);
}

std::unique_ptr<JobControl> CreateWorkerRegistry(WindowLayer& window) {
  return std::make_unique<JobControl>(window);
}

void StartJob(JobControl& control, Job job) {
  DropFinished(control);
  Worker worker;
  worker.token = std::make_shared<JobToken>();
  worker.finished = std::make_shared<std::atomic<bool>>(false);
  const uint64_t id = control.nextJob++;
  try {
    worker.thread = std::thread(
        [&control, token = worker.token, finished = worker.finished, id, job = std::move(job)] {
          JobContext context(control, token, id);
          job(context);
          finished->store(true);
        });
  } catch (const std::system_error&) {
    // The thread could not be started: nothing runs, the entry stays empty.
    worker.token.reset();
    worker.finished.reset();
  }
  control.registry.push_back(std::move(worker));
}

bool BeginJob(JobContext& job) {
  if (job.Ended()) return false;
  if (job.control().beforeTake) job.control().beforeTake();
  // The take passes the job's gate, as its window calls do: a stop that ends
  // the job first leaves the flag alone, and a stop that comes after the take
  // finds the flag taken and sets it idle itself.
  bool taken = false;
  if (!job.token().Apply([&] { taken = job.flag().TryTake(job.id()); })) return false;
  if (taken) return true;
  job.window().ShowMessage(Utf8ToLocal(kBusyMessage), Utf8ToLocal(kBusyTitle));
  return false;
}

void SetIdle(JobControl& control) {
  control.flag.SetIdle();
}

void SetIdle(JobContext& job) {
  // An ended job changes nothing, the flag included: a newer job may hold it.
  job.token().Apply([&] { job.flag().Release(job.id()); });
}

void StopAllJobs(JobControl& control) {
  EndEvery(control);
  control.flag.SetIdle();
}

void EndAllWorkers(JobControl& control) {
  EndEvery(control);
}

void ReleaseJobControl(JobControl& control) {
  EndEvery(control);
  for (auto& w : control.registry) {
    if (w.thread.joinable()) w.thread.join();
  }
  control.registry.clear();
  control.flag.SetReleased();
}

int RunningWorkers(const JobControl& control) {
  int n = 0;
  for (const auto& w : control.registry) {
    if (w.finished && !w.finished->load()) ++n;
  }
  return n;
}

bool WaitForWorkers(const JobControl& control, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (RunningWorkers(control) > 0) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

}  // namespace quorrin

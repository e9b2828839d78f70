#include "ui/startup.h"

#include <future>
#include <memory>
#include <thread>

#include "webtext/fetch.h"

namespace quorrin::ui {

UpdateVerdict CheckUpdateFlag(const std::string& updateHost, std::chrono::milliseconds limit) {
  if (updateHost.empty()) return UpdateVerdict::kRun;
  auto cancel = std::make_shared<std::atomic<bool>>(false);
  const Text address = "http://"_t + Text(updateHost) + "/yy.txt"_t;
  auto pending = std::async(std::launch::async, [address, cancel] {
    FetchOptions options;
    options.cancel = cancel.get();
    return Fetch(address, options);
  });
  if (pending.wait_for(limit) != std::future_status::ready) {
    cancel->store(true);
    pending.wait();
    return UpdateVerdict::kRun;
  }
  const FetchResult r = pending.get();
  if (!r.responded || r.status < 200 || r.status > 299) return UpdateVerdict::kRun;
  return BytesToText(r.body) == "1"_u8 ? UpdateVerdict::kRun : UpdateVerdict::kUpdate;
}

bool WindowCreated(App& app, const std::function<void(int)>& applySkin,
                   const std::function<void()>& running, std::chrono::milliseconds updateLimit) {
  if (applySkin) applySkin(6);
  SetIdle(app.jobs);
  if (running) running();
  if (CheckUpdateFlag(app.hosts.update, updateLimit) == UpdateVerdict::kRun) return true;
  app.desktop.ShowModal("有新的更新"_u8, "更新"_u8);
  app.desktop.OpenAddress("http://"_u8 + Utf8(app.hosts.update) + "/yy.html"_u8);
  return false;
}

void WindowClosing(App& app) {
  EndAllWorkers(app.jobs);
}

void ProgramExit(JobControl& jobs, const std::function<void()>& serveWindow,
                 std::chrono::milliseconds limit) {
  EndAllWorkers(jobs);
  const auto until = std::chrono::steady_clock::now() + limit;
  while (RunningWorkers(jobs) > 0 && std::chrono::steady_clock::now() < until) {
    if (serveWindow) serveWindow();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  ReleaseJobControl(jobs);
}

Utf8 FetchAboutPage(const SiteHosts& hosts, const std::atomic<bool>* cancel) {
  if (hosts.update.empty()) return Utf8();
  FetchOptions options;
  options.cancel = cancel;
  const FetchResult r = Fetch("http://"_t + Text(hosts.update) + "/y.html"_t, options);
  if (!r.responded || r.status < 200 || r.status > 299 || r.body.empty()) return Utf8();
  if (cancel && cancel->load()) return Utf8();
  return BytesToText(r.body);
}

}  // namespace quorrin::ui

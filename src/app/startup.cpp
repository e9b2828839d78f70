#include "app/startup.h"

#include <QApplication>
#include <QFile>

#include <future>

#include "webtext/fetch.h"

// The theme lives in a static library's resources, which must be registered.
static void RegisterResources() {
  Q_INIT_RESOURCE(quorrin);
}

namespace quorrin {

void SkinLoader(int skin) {
  if (skin != 6) return;  // the only theme we ship
  RegisterResources();
  QFile sheet(QStringLiteral(":/quorrin/theme.qss"));
  if (!sheet.open(QIODevice::ReadOnly)) return;
  qApp->setStyleSheet(QString::fromUtf8(sheet.readAll()));
}

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

}  // namespace quorrin

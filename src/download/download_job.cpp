#include "download/download_job.h"

#include <chrono>
#include <cstdio>

#include "download/file_name.h"
#include "download/file_system.h"
#include "harvest/song_table.h"
#include "webtext/codepage.h"
#include "webtext/fetch.h"

namespace quorrin {
namespace {

constexpr auto kProgressInterval = std::chrono::milliseconds(250);  // four a second at most
constexpr size_t kFailuresListed = 10;

Text Local(const char* utf8) {
  return Utf8ToLocal(utf8);
}

RowOutcome Failed(const char* reasonUtf8) {
  return {RowOutcome::kFailed, Local(reasonUtf8)};
}

}  // namespace

Text FailureReason(const FetchResult& r) {
  if (r.sinkRefused) return Local("无法保存文件");
  if (r.fault == FetchFault::kTooManyRedirects) return Local("重定向过多");
  if (r.fault == FetchFault::kBadRedirect) return Local("不支持的重定向地址");
  if (r.fault == FetchFault::kStalled) return Local("下载超时");
  if (!r.responded) return Local("无法连接服务器");
  if (r.status < 200 || r.status > 299)
    return Local("服务器返回错误（") + std::to_string(r.status) + Local("）");
  if (r.fault == FetchFault::kUndecodable) return Local("无法解码下载内容");
  if (!r.whole) return Local("下载不完整");
  if (r.received == 0) return Local("下载内容为空");
  return Text();
}

void EnsureDownloadFolder(WindowLayer& window) {
  const std::string folder = LocalToUtf8(window.GetText(controls::kDownloadFolder, nullptr));
  if (folder.empty() || PathExists(folder)) return;
  MakeFolder(folder);
}

std::string ProgressText(int64_t received, int64_t total) {
  constexpr double kMB = 1024.0 * 1024.0;
  char buffer[64];
  if (total > 0) {
    const int percent = static_cast<int>(received * 100 / total);
    std::snprintf(buffer, sizeof buffer, "%d%%  %.1f/%.1f MB", percent, received / kMB,
                  total / kMB);
  } else {
    std::snprintf(buffer, sizeof buffer, "%.1f MB", received / kMB);
  }
  return buffer;
}

std::string TargetPath(const std::string& folder, const std::string& titleUtf8,
                       const std::string& workIdUtf8, const WrittenFiles& written) {
  const std::string name = SafeFileName(titleUtf8, workIdUtf8);
  std::string path = folder + "/" + name + ".mp4";
  if (!written.count(path)) return path;
  const std::string id = SafeFileName(workIdUtf8, "", "");
  for (int k = 1;; ++k) {
    const std::string tag = " (" + id + (k > 1 ? " " + std::to_string(k) : "") + ")";
    path = folder + "/" + SafeFileName(titleUtf8, workIdUtf8, tag + ".mp4") + tag + ".mp4";
    if (!written.count(path)) return path;
  }
}

RowOutcome DownloadRow(JobContext& job, int row, const Text& counter, WrittenFiles& written) {
  JobWindow& window = job.window();
  const Text title = window.CellText(row, kTitleColumn);
  const Text address = window.CellText(row, kDownloadAddressColumn);
  const Text workId = window.CellText(row, kWorkIdColumn);
  const Text status = Local("当前下载神曲：") + title + counter;
  window.SetText(controls::kStatusLine, status);
  const std::string folder = LocalToUtf8(window.GetText(controls::kDownloadFolder));
  if (job.Ended()) return {RowOutcome::kStopped, {}};
  if (address.empty()) return Failed("没有下载地址");
  if (folder.empty()) return Failed("无法保存文件");

  const std::string target = TargetPath(folder, LocalToUtf8(title), LocalToUtf8(workId), written);
  const std::string fileName = target.substr(folder.size() + 1);
  PartFile part;
  if (!part.Open(folder + "/." + CutUtf8(fileName, kMaxFileNameBytes - 6) + ".part"))
    return Failed("无法保存文件");

  auto lastShown = std::chrono::steady_clock::now();
  int64_t received = 0;
  FetchOptions options;
  options.cancel = job.CancelFlag();
  options.sink = [&](std::string_view chunk, int64_t total) {
    if (!part.Write(chunk)) return false;
    received += static_cast<int64_t>(chunk.size());
    const auto now = std::chrono::steady_clock::now();
    if (now - lastShown >= kProgressInterval) {
      lastShown = now;
      window.SetText(controls::kStatusLine, status + "  " + ProgressText(received, total));
    }
    return true;
  };
  const FetchResult result = Fetch(address, options);
  if (result.cancelled || job.Ended()) return {RowOutcome::kStopped, {}};  // part is removed
  const Text reason = FailureReason(result);
  if (!reason.empty()) return {RowOutcome::kFailed, reason};
  if (!part.Commit(target)) return Failed("无法保存文件");
  written.insert(target);
  return {RowOutcome::kSaved, {}};
}

Job DownloadSelectedJob() {
  return [](JobContext& job) {
    if (!BeginJob(job)) return;
    JobWindow& window = job.window();
    const int row = window.SelectedRow();
    if (row < 0) {
      if (!window.ShowMessage(Local("请先选中要下载的神曲"), Local("提示"))) return;
      SetIdle(job);
      return;
    }
    WrittenFiles written;
    const RowOutcome outcome = DownloadRow(job, row, Text(), written);
    if (outcome.kind == RowOutcome::kStopped) return;
    if (outcome.kind == RowOutcome::kFailed) {
      const Text title = window.CellText(row, kTitleColumn);
      if (!window.ShowMessage(Local("神曲下载失败：") + outcome.reason, Local("错误"))) return;
      window.SetText(controls::kStatusLine, Local("神曲下载失败：") + title);
    } else {
      if (!window.ShowMessage(Local("神曲下载完成"), Local("OK"))) return;
      window.SetText(controls::kStatusLine, Local("神曲下载成功，快打开下载目录去看看吧！！！"));
    }
    SetIdle(job);
  };
}

Job DownloadAllJob() {
  return [](JobContext& job) {
    if (!BeginJob(job)) return;
    JobWindow& window = job.window();
    const int n = window.RowCount();
    WrittenFiles written;
    int saved = 0;
    std::vector<Text> failures;
    for (int row = 0; row < n; ++row) {
      const Text counter =
          Local("（") + std::to_string(row + 1) + "/" + std::to_string(n) + Local("）");
      const RowOutcome outcome = DownloadRow(job, row, counter, written);
      if (outcome.kind == RowOutcome::kStopped) return;
      if (outcome.kind == RowOutcome::kSaved) {
        ++saved;
      } else {
        failures.push_back(window.CellText(row, kTitleColumn) + " " + outcome.reason);
      }
    }
    if (failures.empty()) {
      if (!window.ShowMessage(Local("所有神曲下载完成"), Local("OK"))) return;
      window.SetText(controls::kStatusLine,
                     Local("所有神曲下载成功，快打开下载目录去看看吧！！！"));
    } else {
      const Text summary = Local("神曲下载完成：成功 ") + std::to_string(saved) +
                           Local(" 首，失败 ") + std::to_string(failures.size()) + Local(" 首");
      Text text = summary;
      for (size_t i = 0; i < failures.size() && i < kFailuresListed; ++i)
        text += "\n" + failures[i];
      if (failures.size() > kFailuresListed) text += "\n" + Local("……");
      if (!window.ShowMessage(text, Local("下载结果"))) return;
      window.SetText(controls::kStatusLine, summary);
    }
    SetIdle(job);
  };
}

}  // namespace quorrin

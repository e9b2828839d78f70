#include "download/download_job.h"

#include <chrono>
#include <cstdio>

#include "download/file_name.h"
#include "download/file_system.h"
#include "harvest/song_table.h"
#include "webtext/codepage.h"
#include "webtext/fetch.h"
#include "webtext/path_text.h"

namespace quorrin {
namespace {

constexpr auto kProgressInterval = std::chrono::milliseconds(250);  // four a second at most
constexpr size_t kFailuresListed = 10;

Text Local(const Utf8& text) {
  return Utf8ToLocal(text);
}

RowOutcome Failed(const Utf8& reason) {
  return {RowOutcome::kFailed, Local(reason)};
}

}  // namespace

Text FailureReason(const FetchResult& r) {
  if (r.sinkRefused) return Local("无法保存文件"_u8);
  if (r.fault == FetchFault::kTooManyRedirects) return Local("重定向过多"_u8);
  if (r.fault == FetchFault::kBadRedirect) return Local("不支持的重定向地址"_u8);
  if (r.fault == FetchFault::kStalled) return Local("下载超时"_u8);
  if (!r.responded) return Local("无法连接服务器"_u8);
  if (r.status < 200 || r.status > 299)
    return Local("服务器返回错误（"_u8) + NumberText(r.status) + Local("）"_u8);
  if (r.fault == FetchFault::kUndecodable) return Local("无法解码下载内容"_u8);
  if (!r.whole) return Local("下载不完整"_u8);
  if (r.received == 0) return Local("下载内容为空"_u8);
  return Text();
}

namespace {

// The hidden file a row's video streams into before it takes its name.
std::filesystem::path PartPath(const std::filesystem::path& target) {
  const Utf8 name = PathToUtf8(target.filename());
  return target.parent_path() /
         PathFromUtf8("."_u8 + CutUtf8(name, kMaxFileNameBytes - 6) + ".part"_u8);
}

}  // namespace

void EnsureDownloadFolder(WindowLayer& window) {
  const std::filesystem::path folder = window.GetPath(controls::kDownloadFolder, nullptr);
  if (folder.empty() || PathExists(folder)) return;
  MakeFolder(folder);
}

Text ProgressText(int64_t received, int64_t total) {
  constexpr double kMB = 1024.0 * 1024.0;
  char buffer[64];
  if (total > 0) {
    const int percent = static_cast<int>(received * 100 / total);
    std::snprintf(buffer, sizeof buffer, "%d%%  %.1f/%.1f MB", percent, received / kMB,
                  total / kMB);
  } else {
    std::snprintf(buffer, sizeof buffer, "%.1f MB", received / kMB);
  }
  return Text(std::string(buffer));
}

std::filesystem::path TargetPath(const std::filesystem::path& folder, const Text& title,
                                 const Text& workId, const WrittenFiles& written) {
  const Utf8 title8 = LocalToUtf8(title), id8 = LocalToUtf8(workId);
  std::filesystem::path path = folder / PathFromUtf8(SafeFileName(title8, id8) + ".mp4"_u8);
  if (!written.count(path)) return path;
  const std::string id = SafeFileName(id8, Utf8(), "").value;
  for (int k = 1;; ++k) {
    std::string number;
    if (k > 1) number.append(" ").append(std::to_string(k));
    // The tag leaves at least one byte of the title: " (" + ID + number + ")".
    const size_t idRoom = kMaxFileNameBytes - 1 - 4 - 3 - number.size();
    std::string tagText = " (";
    tagText.append(CutUtf8(Utf8(id), idRoom).value).append(number).append(")");
    const Utf8 tag(std::move(tagText));
    const Utf8 name = SafeFileName(title8, id8, tag.value + ".mp4") + tag + ".mp4"_u8;
    path = folder / PathFromUtf8(name);
    if (!written.count(path)) return path;
  }
}

RowOutcome DownloadRow(JobContext& job, int row, const Text& counter, WrittenFiles& written,
                       const RowSeams& seams) {
  JobWindow& window = job.window();
  const Text title = window.CellText(row, kTitleColumn);
  const Text address = window.CellText(row, kDownloadAddressColumn);
  const Text workId = window.CellText(row, kWorkIdColumn);
  const Text status = Local("当前下载神曲："_u8) + title + counter;
  window.SetText(controls::kStatusLine, status);
  const std::filesystem::path folder = window.GetPath(controls::kDownloadFolder);
  if (job.Ended()) return {RowOutcome::kStopped, {}};
  if (address.empty()) return Failed("没有下载地址"_u8);
  if (folder.empty()) return Failed("无法保存文件"_u8);

  // Every step that changes the folder (creating the part file, moving it
  // onto its name, removing it) passes the job's gate, and a stop removes the
  // part file itself before it returns: once the job has been ended, nothing
  // of it appears, changes or stays in the folder.
  const std::filesystem::path target = TargetPath(folder, title, workId, written);
  PartFile part;
  const std::filesystem::path partPath = PartPath(target);
  JobToken& token = job.token();
  token.SetEndHook([partPath] { RemoveFile(partPath); });
  struct HookGuard {
    JobToken& token;
    ~HookGuard() { token.ClearEndHook(); }
  } hookGuard{token};
  bool opened = false;
  if (seams.beforeOpen) seams.beforeOpen();
  if (!token.Apply([&] { opened = part.Open(partPath); })) return {RowOutcome::kStopped, {}};
  auto removePart = [&] { token.Apply([&] { part.Remove(); }); };
  if (!opened) {
    removePart();
    return Failed("无法保存文件"_u8);
  }

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
      window.SetText(controls::kStatusLine, status + "  "_t + ProgressText(received, total));
    }
    return true;
  };
  const FetchResult result = Fetch(address, options);
  if (result.cancelled || job.Ended()) return {RowOutcome::kStopped, {}};  // the stop removed it
  const Text reason = FailureReason(result);
  if (!reason.empty()) {
    removePart();
    return {RowOutcome::kFailed, reason};
  }
  // Replacing a file: its new content must be on the disk before the name
  // moves, so a crash leaves the old file or the whole new one. A new name
  // risks nothing of the user's and is left to the page cache, as curl does.
  if (!part.Close(/*durable=*/PathExists(target))) {
    removePart();
    return Failed("无法保存文件"_u8);
  }
  bool moved = false;
  if (seams.beforeMove) seams.beforeMove();
  if (!token.Apply([&] { moved = part.MoveTo(target); })) return {RowOutcome::kStopped, {}};
  if (!moved) {
    removePart();
    return Failed("无法保存文件"_u8);
  }
  written.insert(target);
  return {RowOutcome::kSaved, {}};
}

void DownloadMemory::Remember(std::map<WorkId, RowOutcome> outcomes) {
  std::lock_guard<std::mutex> lock(mutex_);
  outcomes_ = std::move(outcomes);
}

void DownloadMemory::Forget() {
  std::lock_guard<std::mutex> lock(mutex_);
  outcomes_.clear();
}

std::map<WorkId, RowOutcome> DownloadMemory::Outcomes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return outcomes_;
}

std::set<WorkId> DownloadMemory::FailedIds() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::set<WorkId> ids;
  for (const auto& [id, outcome] : outcomes_)
    if (outcome.kind == RowOutcome::kFailed) ids.insert(id);
  return ids;
}

Job DownloadSelectedJob(std::shared_ptr<DownloadMemory> memory) {
  return [memory](JobContext& job) {
    if (!BeginJob(job)) return;
    JobWindow& window = job.window();
    const int row = window.SelectedRow();
    if (row < 0) {
      if (!window.ShowMessage(Local("请先选中要下载的神曲"_u8), Local("提示"_u8))) return;
      SetIdle(job);
      return;
    }
    WrittenFiles written;
    const RowOutcome outcome = DownloadRow(job, row, Text(), written);
    if (outcome.kind == RowOutcome::kStopped) return;
    if (memory) memory->Remember({{window.CellText(row, kWorkIdColumn), outcome}});
    if (outcome.kind == RowOutcome::kFailed) {
      const Text title = window.CellText(row, kTitleColumn);
      if (!window.ShowMessage(Local("神曲下载失败："_u8) + outcome.reason, Local("错误"_u8)))
        return;
      window.SetText(controls::kStatusLine, Local("神曲下载失败："_u8) + title);
    } else {
      if (!window.ShowMessage(Local("神曲下载完成"_u8), Local("OK"_u8))) return;
      window.SetText(controls::kStatusLine, Local("神曲下载成功，快打开下载目录去看看吧！！！"_u8));
    }
    SetIdle(job);
  };
}

namespace {

// A row whose file is already in the folder: the name the row would be saved
// under, holding at least one byte. Files we write are whole by construction.
bool AlreadySaved(JobContext& job, int row, WrittenFiles& written) {
  JobWindow& window = job.window();
  const std::filesystem::path folder = window.GetPath(controls::kDownloadFolder);
  if (folder.empty()) return false;
  const std::filesystem::path target = TargetPath(folder, window.CellText(row, kTitleColumn),
                                                  window.CellText(row, kWorkIdColumn), written);
  if (FileSize(target) < 1) return false;
  written.insert(target);  // a later row of the same title takes the next name
  return true;
}

Text CountText(const Utf8& label, size_t n) {
  return Local(label) + NumberText(static_cast<long long>(n)) + Local(" 首"_u8);
}

}  // namespace

Job DownloadAllJob(DownloadChoice choice, std::shared_ptr<DownloadMemory> memory) {
  return [choice, memory](JobContext& job) {
    if (!BeginJob(job)) return;
    JobWindow& window = job.window();
    std::vector<int> rows;
    const int count = window.RowCount();
    const std::set<WorkId> retry =
        choice == DownloadChoice::kFailedBefore && memory ? memory->FailedIds() : std::set<WorkId>();
    for (int row = 0; row < count; ++row) {
      if (choice != DownloadChoice::kFailedBefore || retry.count(window.CellText(row, kWorkIdColumn)))
        rows.push_back(row);
    }
    if (choice == DownloadChoice::kFailedBefore && rows.empty()) {
      if (!window.ShowMessage(Local("没有需要重新下载的神曲"_u8), Local("提示"_u8))) return;
      SetIdle(job);
      return;
    }
    const size_t n = rows.size();
    WrittenFiles written;
    size_t saved = 0, skipped = 0;
    std::vector<Text> failures;
    std::map<WorkId, RowOutcome> outcomes;
    for (size_t i = 0; i < n; ++i) {
      const int row = rows[i];
      const Text counter = Local("（"_u8) + NumberText(static_cast<long long>(i + 1)) + "/"_t +
                           NumberText(static_cast<long long>(n)) + Local("）"_u8);
      RowOutcome outcome;
      if (choice == DownloadChoice::kOnlyNew && AlreadySaved(job, row, written)) {
        outcome.kind = RowOutcome::kSkipped;
      } else {
        outcome = DownloadRow(job, row, counter, written);
      }
      if (outcome.kind == RowOutcome::kStopped || job.Ended()) return;
      outcomes[window.CellText(row, kWorkIdColumn)] = outcome;
      if (outcome.kind == RowOutcome::kSaved) ++saved;
      if (outcome.kind == RowOutcome::kSkipped) ++skipped;
      if (outcome.kind == RowOutcome::kFailed)
        failures.push_back(window.CellText(row, kTitleColumn) + " "_t + outcome.reason);
    }
    if (memory) memory->Remember(std::move(outcomes));
    if (failures.empty() && choice != DownloadChoice::kOnlyNew) {
      if (!window.ShowMessage(Local("所有神曲下载完成"_u8), Local("OK"_u8))) return;
      window.SetText(controls::kStatusLine,
                     Local("所有神曲下载成功，快打开下载目录去看看吧！！！"_u8));
    } else {
      Text summary = CountText("神曲下载完成：成功 "_u8, saved);
      if (choice == DownloadChoice::kOnlyNew) summary += CountText("，跳过 "_u8, skipped);
      summary += CountText("，失败 "_u8, failures.size());
      Text text = summary;
      for (size_t i = 0; i < failures.size() && i < kFailuresListed; ++i)
        text += "\n"_t + failures[i];
      if (failures.size() > kFailuresListed) text += "\n"_t + Local("……"_u8);
      if (!window.ShowMessage(text, Local("下载结果"_u8))) return;
      window.SetText(controls::kStatusLine, summary);
    }
    SetIdle(job);
  };
}

}  // namespace quorrin

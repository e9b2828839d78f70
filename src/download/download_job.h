// Download jobs: save the selected row's video, or every row's video in row
// order, into the download folder, telling every failure.
//
// Each video streams into a hidden temporary file in the download folder and
// is moved onto its name only once it arrived whole, so nothing is ever
// half-written under a video's name and memory does not grow with its size.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "harvest/song_table.h"
#include "jobs/job_control.h"
#include "webtext/fetch.h"
#include "webtext/text.h"

namespace quorrin {

// Window thread, before a download job starts: creates the download folder
// (its last level only) when nothing of that name exists.
void EnsureDownloadFolder(WindowLayer& window);

struct RowOutcome {
  enum Kind { kSaved, kFailed, kStopped, kSkipped } kind = kSaved;
  Text reason;  // local text, for kFailed
};

// What the download jobs of this run remember: each row's outcome in the last
// download job, by work ID, so that a later job can retry the failed rows.
// Lives in memory only; shared by the commands and the jobs' workers.
class DownloadMemory {
 public:
  void Remember(std::map<WorkId, RowOutcome> outcomes);
  void Forget();
  std::map<WorkId, RowOutcome> Outcomes() const;
  std::set<WorkId> FailedIds() const;

 private:
  mutable std::mutex mutex_;
  std::map<WorkId, RowOutcome> outcomes_;
};

// Which rows a whole-list download takes.
enum class DownloadChoice {
  kAll,           // every row ("下载全部")
  kOnlyNew,       // every row whose file is not yet in the folder ("只下载新的神曲")
  kFailedBefore,  // the rows that failed in the last download job ("重新下载失败的神曲")
};

// The names a job has written, so that two rows never share a file.
using WrittenFiles = std::set<std::filesystem::path>;

// Saves one row's video. `counter` follows the title in the status line
// ("（2/5）" for a whole-list download, empty otherwise).
// Points inside a row where a test can step in (a stop at the worst moment).
struct RowSeams {
  std::function<void()> beforeOpen;  // before the part file is created
  std::function<void()> beforeMove;  // after the video is whole, before it takes its name
};

RowOutcome DownloadRow(JobContext& job, int row, const Text& counter, WrittenFiles& written,
                       const RowSeams& seams = {});

// The file a row's video is saved under: the folder, then the title made a
// safe name + ".mp4", with " (" + work ID + ")" before ".mp4" when the job
// already wrote that name. The work ID is shortened when the name would be
// longer than a file name may be.
std::filesystem::path TargetPath(const std::filesystem::path& folder, const Text& title,
                                 const Text& workId, const WrittenFiles& written);

// Why a fetch gives no video, as local text for the user; empty when it gave one.
Text FailureReason(const FetchResult& result);

// "31%  12.3/40.0 MB" when the size is known, "12.3 MB" when not.
Text ProgressText(int64_t received, int64_t total);

// With `memory`, the job records its rows' outcomes there when it ends.
Job DownloadSelectedJob(std::shared_ptr<DownloadMemory> memory = nullptr);
Job DownloadAllJob(DownloadChoice choice = DownloadChoice::kAll,
                   std::shared_ptr<DownloadMemory> memory = nullptr);

}  // namespace quorrin

// Download jobs: save the selected row's video, or every row's video in row
// order, into the download folder, telling every failure.
//
// Each video streams into a hidden temporary file in the download folder and
// is moved onto its name only once it arrived whole, so nothing is ever
// half-written under a video's name and memory does not grow with its size.
#pragma once

#include <set>
#include <string>

#include "jobs/job_control.h"
#include "webtext/fetch.h"
#include "webtext/text.h"

namespace quorrin {

// Window thread, before a download job starts: creates the download folder
// (its last level only) when nothing of that name exists.
void EnsureDownloadFolder(WindowLayer& window);

struct RowOutcome {
  enum Kind { kSaved, kFailed, kStopped } kind = kSaved;
  Text reason;  // local text, for kFailed
};

// The names a job has written, so that two rows never share a file.
using WrittenFiles = std::set<std::string>;

// Saves one row's video. `counter` follows the title in the status line
// ("（2/5）" for a whole-list download, empty otherwise).
RowOutcome DownloadRow(JobContext& job, int row, const Text& counter, WrittenFiles& written);

// The file a row's video is saved under: folder + "/" + safe name + ".mp4",
// with " (" + work ID + ")" before ".mp4" when the job already wrote that name.
std::string TargetPath(const std::string& folder, const std::string& titleUtf8,
                       const std::string& workIdUtf8, const WrittenFiles& written);

// Why a fetch gives no video, as local text for the user; empty when it gave one.
Text FailureReason(const FetchResult& result);

// "31%  12.3/40.0 MB" when the size is known, "12.3 MB" when not.
std::string ProgressText(int64_t received, int64_t total);

Job DownloadSelectedJob();
Job DownloadAllJob();

}  // namespace quorrin

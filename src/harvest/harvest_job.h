// A harvest: empties the song table and the ID buffer, lets a source collect
// work IDs, then builds one row per ID from the work's play page.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <string>

#include "harvest/song_table.h"
#include "harvest/sources.h"
#include "jobs/job_control.h"

namespace quorrin {

// Pause after every row, so that the platform is asked at a gentle pace.
inline constexpr std::chrono::milliseconds RowPacing{300};

struct ResolvedWork {
  Text title;
  Text downloadAddress;
};

// One fetch of a play page: its title and the address of its video file.
ResolvedWork ResolveWork(const Text& playAddress, const std::atomic<bool>* cancel);

// "http://" + host + "/play/id_" + id + ".html"
Text PlayAddress(const std::string& shenquHost, const WorkId& id);

// The job for StartJob.
// `admitted`, when given, runs once the job holds the busy flag, before it
// clears the list.
Job HarvestJob(WorkIdSource source, std::string shenquHost,
               std::function<void()> admitted = nullptr);

}  // namespace quorrin

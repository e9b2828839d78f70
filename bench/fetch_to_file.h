// One address streamed into one file the way a download job saves a video:
// Fetch with a sink into a hidden PartFile beside the target, moved onto the
// target only when the body arrived whole.
#pragma once

#include <filesystem>
#include <string>

#include "download/file_system.h"
#include "webtext/fetch.h"

namespace bench {

inline bool FetchToFile(const std::string& address, const std::filesystem::path& target) {
  quorrin::PartFile part;
  // Built by appending: GCC 12's Release build misreads "." + string as an
  // overlapping copy.
  std::string partName = ".";
  partName += target.filename().string();
  partName += ".part";
  const std::filesystem::path partPath = target.parent_path() / partName;
  if (!part.Open(partPath)) return false;
  quorrin::FetchOptions options;
  options.sink = [&part](std::string_view chunk, int64_t) { return part.Write(chunk); };
  const quorrin::FetchResult r = quorrin::Fetch(quorrin::Text(address), options);
  const bool ok = r.responded && !r.sinkRefused && r.status >= 200 && r.status <= 299 && r.whole &&
                  r.received > 0;
  if (ok && part.Close(/*durable=*/quorrin::PathExists(target)) && part.MoveTo(target)) return true;
  part.Remove();
  return false;
}

}  // namespace bench

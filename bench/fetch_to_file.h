// One address streamed into one file the way a download job saves a video:
// Fetch with a sink into a PartFile beside the target, moved onto the target
// only when the body arrived whole.
#pragma once

#include <string>

#include "download/file_system.h"
#include "webtext/fetch.h"

namespace bench {

inline bool FetchToFile(const std::string& address, const std::string& target) {
  const size_t slash = target.rfind('/');
  const std::string folder =
      slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
  quorrin::PartFile part;
  if (!part.Open(folder + "." + name + ".part")) return false;
  quorrin::FetchOptions options;
  options.sink = [&part](std::string_view chunk, int64_t) { return part.Write(chunk); };
  const quorrin::FetchResult r = quorrin::Fetch(address, options);
  const bool ok = r.responded && !r.sinkRefused && r.status >= 200 && r.status <= 299 && r.whole &&
                  r.received > 0;
  return ok && part.Commit(target);
}

}  // namespace bench

// The demo platform: works, charts, anchors and videos, and the pages that
// show them in the shapes the program reads. One host serves everything.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace quorrin::demo {

struct Work {
  std::string id;
  std::string title;  // UTF-8
  bool videoMissing = false;
  size_t videoBytes = 0;    // size of its video
  long bytesPerSecond = 0;  // served at a bounded rate when not 0
};

struct Anchor {
  std::string yyNumber;
  std::string name;
  std::vector<std::vector<std::string>> pages;  // work IDs per listing page
};

const std::vector<Work>& Works();
const Work* FindWork(const std::string& id);
std::vector<std::string> HomeWorks();
std::vector<std::string> DailyChart();
std::vector<std::string> MonthlyChart();
const std::vector<Anchor>& Anchors();

// The video of a work: a valid MP4 header, then content of its own.
std::string VideoBytes(const Work& work);

struct Page {
  int status = 200;
  std::string contentType = "text/html; charset=utf-8";
  std::string body;
  long bytesPerSecond = 0;
};

// The reply for a request target ("/path?query") on a site reached as `host`.
std::optional<Page> Serve(const std::string& target, const std::string& host);

}  // namespace quorrin::demo

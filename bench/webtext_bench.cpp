// Measures the page path of a harvest over a large page: Utf8ToLocal, then a
// global run of the play-link pattern with every capture read back; and times
// pcre2grep -o with the same pattern over the same file for comparison.
//   webtext_bench [benchmark flags]
#include <benchmark/benchmark.h>
#include <httplib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include <atomic>
#include <thread>

#include "webtext/codepage.h"
#include "webtext/fetch.h"
#include "webtext/pattern_matcher.h"

namespace {

constexpr int kLinks = 20000;

// About 10 MB of UTF-8 HTML with CRLF line ends and kLinks play links.
const std::string& Page() {
  static const std::string page = [] {
    std::string p =
        "<!DOCTYPE html>\r\n<html>\r\n<head><meta charset=\"utf-8\"><title>神曲</title>"
        "</head>\r\n<body>\r\n";
    const std::string filler =
        "<div class=\"sq-item-info\"><span class=\"name\">主播小美的神曲作品</span>"
        "<span class=\"count\">播放 12345 次</span></div>\r\n";
    for (int i = 0; i < kLinks; ++i) {
      p += "<li class=\"sq-item\">\r\n<a href=\"/play/id_" + std::to_string(1000000 + i) +
           ".html\" target=\"_blank\" title=\"歌名" + std::to_string(i) + "\">\r\n";
      while (p.size() < static_cast<size_t>(i + 1) * 500) p += filler;
      p += "</li>\r\n";
    }
    p += "</body>\r\n</html>\r\n";
    return p;
  }();
  return page;
}

const std::string kPattern = "<a href *= *['#引号]/play/id_*(\\S+).html[#引号']";

void BM_Utf8ToLocal(benchmark::State& state) {
  const std::string& page = Page();
  for (auto _ : state) benchmark::DoNotOptimize(quorrin::Utf8ToLocal(page));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * page.size());
}
BENCHMARK(BM_Utf8ToLocal)->Unit(benchmark::kMillisecond);

double matcherSeconds = 0;

void BM_PlayLinkMatcher(benchmark::State& state) {
  const std::string local = quorrin::Utf8ToLocal(Page());
  const std::string pattern = quorrin::Utf8ToLocal(kPattern);
  int count = 0;
  for (auto _ : state) {
    const auto begin = std::chrono::steady_clock::now();
    quorrin::PatternMatcher m;
    m.Create(pattern, local, false, false, true, true);
    count = m.MatchCount();
    for (int i = 1; i <= count; ++i) benchmark::DoNotOptimize(m.SubMatchText(i, 1));
    const double s =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    if (matcherSeconds == 0 || s < matcherSeconds) matcherSeconds = s;
  }
  if (count != kLinks) state.SkipWithError("wrong match count");
  state.counters["matches"] = count;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * local.size());
}
BENCHMARK(BM_PlayLinkMatcher)->Unit(benchmark::kMillisecond);

// Best of three runs of pcre2grep over the page; -1 when it cannot run.
double TimePcre2grep(const std::string& file) {
  const std::string command =
      "pcre2grep -o1 -i '<a href *= *['\"'\"'\"]/play/id_*(\\S+).html[\"'\"'\"']' " + file +
      " | wc -l";
  double best = -1;
  for (int run = 0; run < 3; ++run) {
    const auto begin = std::chrono::steady_clock::now();
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return -1;
    char line[64] = {};
    const bool got = std::fgets(line, sizeof line, pipe) != nullptr;
    if (pclose(pipe) != 0 || !got || std::atoi(line) != kLinks) return -1;
    const double s =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    if (best < 0 || s < best) best = s;
  }
  return best;
}

// How long a fetch takes to return once cancelled while its server stalls;
// the worst of `runs` cancels, in milliseconds.
double WorstCancelMillis(int runs) {
  httplib::Server server;
  std::atomic<bool> stop{false};
  server.Get("/stall", [&stop](const httplib::Request&, httplib::Response& res) {
    res.set_content_provider(10, "text/plain", [&stop](size_t, size_t, httplib::DataSink&) {
      while (!stop) std::this_thread::sleep_for(std::chrono::milliseconds(5));
      return false;
    });
  });
  const int port = server.bind_to_any_port("127.0.0.1");
  std::thread serving([&] { server.listen_after_bind(); });
  double worst = 0;
  for (int run = 0; run < runs; ++run) {
    std::atomic<bool> cancel{false};
    std::chrono::steady_clock::time_point cancelledAt;
    std::thread canceller([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(100 + 7 * run));
      cancelledAt = std::chrono::steady_clock::now();
      cancel = true;
    });
    quorrin::FetchOptions options;
    options.cancel = &cancel;
    quorrin::Fetch("http://127.0.0.1:" + std::to_string(port) + "/stall", options);
    const auto returned = std::chrono::steady_clock::now();
    canceller.join();
    worst =
        std::max(worst, std::chrono::duration<double, std::milli>(returned - cancelledAt).count());
  }
  stop = true;
  server.stop();
  serving.join();
  return worst;
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  const std::string file = "/tmp/quorrin-bench-page.html";
  std::ofstream(file, std::ios::binary) << Page();
  const double grep = TimePcre2grep(file);
  std::remove(file.c_str());
  const double mb = Page().size() / 1e6;
  std::printf("\npage: %.1f MB, %d play links\n", mb, kLinks);
  std::printf("PatternMatcher (convert, match, read captures): %.3f s, %.0f MB/s\n", matcherSeconds,
              mb / matcherSeconds);
  if (grep < 0) {
    std::printf("pcre2grep: not available or gave another count\n");
  } else {
    std::printf("pcre2grep -o over the same file:               %.3f s, %.0f MB/s\n", grep,
                mb / grep);
    std::printf("ratio (PatternMatcher throughput / pcre2grep):  %.2f\n", grep / matcherSeconds);
  }
  std::printf("cancel during a stalled fetch: worst of 20 returned %.1f ms after the cancel\n",
              WorstCancelMillis(20));
  benchmark::Shutdown();
  return 0;
}

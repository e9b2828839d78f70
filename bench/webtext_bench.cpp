// The page path of a harvest over a 10 MB page, each step paired with the
// floor that bounds it, in one process run:
//  - the play-link step as a harvest runs it (the program's PatternMatcher over
//    the code page 936 page: conversion to UTF-16, a global match, every
//    capture read back) against PCRE2-8 with JIT called directly on the same
//    page as UTF-8, with the same options, compile included on both sides;
//  - PCRE2-16 with JIT over the page already in UTF-16 against the same
//    PCRE2-8 run: the engine as the matcher drives it, without conversions;
//  - the play-link step with Utf8ToLocal of the page in front;
//  - each code page conversion against glibc iconv on the same input;
// then how long the first conversion of a process takes (the code page tables
// are built then), and the cancel latency of a stalled fetch.
//   webtext_bench [pairs]   (default 15)
#define PCRE2_CODE_UNIT_WIDTH 8
#include <httplib.h>
#include <iconv.h>
#include <pcre2.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "paired.h"
#include "webtext/codepage.h"
#include "webtext/fetch.h"
#include "webtext/pattern_matcher.h"

namespace {

constexpr int kLinks = 20000;

// About 10 MB of UTF-8 HTML with CRLF line ends and kLinks play links.
std::string MakePage() {
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
}

// The play-link pattern of the chart sources, with its quote placeholder.
const std::string kPattern = "<a href *= *['#引号]/play/id_*(\\S+).html[#引号']";
// The same with the placeholders replaced, as the matcher does, for PCRE2.
const std::string kPatternWithQuotes = "<a href *= *['\"]/play/id_*(\\S+).html[\"']";

// The program's step: what CollectCaptures does with one page, which it is
// given to keep, as a harvest moves each page in.
std::vector<quorrin::Text> MatcherCaptures(const quorrin::Text& pattern, quorrin::Text local) {
  quorrin::PatternMatcher m;
  std::vector<quorrin::Text> out;
  if (!m.Create(pattern, std::move(local), false, false, true, true)) return out;
  const int n = m.MatchCount();
  out.reserve(static_cast<size_t>(n));
  for (int i = 1; i <= n; ++i) out.push_back(m.SubMatchText(i, 1));
  return out;
}

// The floors: PCRE2 with JIT called directly, over the UTF-8 page (the
// engine's own speed) and over the page already in UTF-16 (the engine as the
// matcher runs it, without the conversion).
namespace floor8 {
using String = std::string;
#include "pcre2_captures.inc"
}  // namespace floor8

#undef PCRE2_CODE_UNIT_WIDTH
#define PCRE2_CODE_UNIT_WIDTH 16
namespace floor16 {
using String = std::u16string;
#include "pcre2_captures.inc"
}  // namespace floor16

// glibc iconv of `in` into a new buffer of `factor` times its size; the
// size of the result, which is copied to `keep` when given.
size_t Iconv(iconv_t cd, const std::string& in, size_t factor, std::string* keep) {
  const size_t room = in.size() * factor + 16;
  std::unique_ptr<char[]> buffer(new char[room]);
  char* src = const_cast<char*>(in.data());
  char* dst = buffer.get();
  size_t left = in.size(), free = room;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  if (iconv(cd, &src, &left, &dst, &free) == static_cast<size_t>(-1)) return 0;
  if (keep) keep->assign(buffer.get(), dst);
  return room - free;
}

std::string AsBytes(const std::u16string& s) {
  return std::string(reinterpret_cast<const char*>(s.data()), s.size() * 2);
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
    quorrin::Fetch(quorrin::Text("http://127.0.0.1:" + std::to_string(port) + "/stall"), options);
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
  const int pairs = argc > 1 ? std::atoi(argv[1]) : 15;
  if (pairs < 1) return 2;

  // The first conversion of the process builds the code page tables.
  const double firstUse =
      bench::Seconds([] { quorrin::LocalToUtf8(quorrin::Text(std::string("x"))); });

  const std::string page = MakePage();
  const quorrin::Utf8 page8(page);
  const quorrin::Text local = quorrin::Utf8ToLocal(page8);
  const quorrin::Text localPattern = quorrin::Utf8ToLocal(quorrin::Utf8(kPattern));
  const std::string utf8Pattern = kPatternWithQuotes;
  const std::u16string utf16 = quorrin::LocalToUtf16(local);
  const std::u16string utf16Pattern = quorrin::LocalToUtf16(quorrin::Text(kPatternWithQuotes));
  std::printf("page: %.1f MB of UTF-8 (%.1f MB in code page 936), %d play links; %d pairs\n",
              page.size() / 1e6, local.size() / 1e6, kLinks, pairs);
  std::printf("first conversion of the process (builds the code page tables): %.2f ms\n\n",
              firstUse * 1e3);

  // Both sides must find the same captures before their times mean anything.
  const std::vector<quorrin::Text> ours = MatcherCaptures(localPattern, local);
  const std::vector<std::string> floor = floor8::Pcre2Captures(utf8Pattern, page);
  const std::vector<std::u16string> floorUtf16 = floor16::Pcre2Captures(utf16Pattern, utf16);
  bool same = ours.size() == static_cast<size_t>(kLinks) && ours.size() == floor.size() &&
              ours.size() == floorUtf16.size();
  for (size_t k = 0; same && k < ours.size(); ++k)
    same = quorrin::LocalToUtf8(ours[k]).value == floor[k] &&
           quorrin::Utf16ToLocal(floorUtf16[k]) == ours[k];
  if (!same) {
    std::printf("the matcher and PCRE2 disagree (%zu and %zu captures)\n", ours.size(),
                floor.size());
    return 1;
  }

  // Both sides of a comparison allocate their results in every run.
  auto timed = [](auto f) {
    return [f](std::vector<long>& faults) { return bench::Counted(f, faults); };
  };
  // Each side is a peer maker: given where to note its page faults, it gives
  // the peer; `timed` makes one of a plain callable.
  auto compare = [pairs](const std::string& title, const std::string& nameA, auto makeA,
                         const std::string& nameB, auto makeB, const std::string& ratioName) {
    std::printf("\n%s\n", title.c_str());
    std::vector<long> faultsA, faultsB;
    if (!bench::ComparePair(pairs, nameA, makeA(faultsA), nameB, makeB(faultsB), ratioName)) {
      return false;
    }
    faultsA.erase(faultsA.begin());  // the warm-up round
    faultsB.erase(faultsB.begin());
    auto median = [](const std::vector<long>& v) {
      return bench::SpreadOf(std::vector<double>(v.begin(), v.end())).median;
    };
    std::printf("  minor page faults per run, median: %.0f and %.0f\n", median(faultsA),
                median(faultsB));
    return true;
  };

  bool ok = compare(
      "play-link step: PatternMatcher on the code page 936 page, moved in as a harvest does (to "
      "UTF-16, match, read every "
      "capture) vs PCRE2-8 JIT in-process on the same page as UTF-8 (match, read every "
      "capture); pattern compiled on both sides",
      "PatternMatcher, code page 936 page",
      [&](std::vector<long>& faults) {
        return bench::CountedWithInput(
            [&] { return local; },
            [&](quorrin::Text owned) { return MatcherCaptures(localPattern, std::move(owned)); },
            faults);
      },
      "PCRE2-8 JIT, UTF-8 page", timed([&] { return floor8::Pcre2Captures(utf8Pattern, page); }),
      "ratio PatternMatcher / PCRE2 (goal <= 2)");
  ok = ok && compare(
                 "engine with a UTF-16 subject: PCRE2-16 JIT in-process on the page already "
                 "converted to UTF-16 (match, read every capture), vs PCRE2-8 JIT on the UTF-8 "
                 "page as above; what the play-link step costs without its conversions",
                 "PCRE2-16 JIT, UTF-16 page",
                 timed([&] { return floor16::Pcre2Captures(utf16Pattern, utf16); }),
                 "PCRE2-8 JIT, UTF-8 page",
                 timed([&] { return floor8::Pcre2Captures(utf8Pattern, page); }),
                 "ratio PCRE2-16 / PCRE2-8");
  ok = ok &&
       compare(
           "whole page path: Utf8ToLocal of the UTF-8 page, then the play-link step as "
           "above, vs the same PCRE2-8 JIT run on the UTF-8 page",
           "Utf8ToLocal + PatternMatcher",
           timed([&] { return MatcherCaptures(localPattern, quorrin::Utf8ToLocal(page8)); }),
           "PCRE2-8 JIT, UTF-8 page",
           timed([&] { return floor8::Pcre2Captures(utf8Pattern, page); }), "ratio ours / PCRE2");

  // Each conversion against iconv between the same encodings; `oursBytes`,
  // the conversion's own result, must equal iconv's before the timing.
  const std::string utf16Bytes = AsBytes(utf16);
  auto conversion = [&](const char* name, const char* from, const char* to,
                        const std::string& input, size_t factor, auto ours, std::string oursBytes) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    std::string theirs;
    Iconv(cd, input, factor, &theirs);
    bool same = theirs == oursBytes;
    if (!same) std::printf("\n%s: the results differ from iconv's\n", name);
    same = same &&
           compare(std::string("conversion: ") + name + " vs glibc iconv " + from + " -> " + to +
                       " on the same " + std::to_string(input.size() / 1000000) + " MB input",
                   name, timed(ours), "iconv",
                   timed([&] { return Iconv(cd, input, factor, nullptr); }),
                   std::string("ratio ") + name + " / iconv");
    iconv_close(cd);
    return same;
  };
  ok = ok && conversion(
                 "Utf8ToLocal", "UTF-8", "CP936", page, 1,
                 [&] { return quorrin::Utf8ToLocal(page8); }, quorrin::Utf8ToLocal(page8).value);
  ok = ok && conversion(
                 "LocalToUtf8", "CP936", "UTF-8", local.value, 2,
                 [&] { return quorrin::LocalToUtf8(local); }, quorrin::LocalToUtf8(local).value);
  ok = ok &&
       conversion(
           "LocalToUtf16", "CP936", "UTF-16LE", local.value, 2,
           [&] { return quorrin::LocalToUtf16(local); }, AsBytes(quorrin::LocalToUtf16(local)));
  ok = ok && conversion(
                 "Utf16ToLocal", "UTF-16LE", "CP936", utf16Bytes, 1,
                 [&] { return quorrin::Utf16ToLocal(utf16); }, quorrin::Utf16ToLocal(utf16).value);
  if (!ok) return 1;

  std::printf("\ncancel during a stalled fetch: worst of 20 returned %.1f ms after the cancel\n",
              WorstCancelMillis(20));
  return 0;
}

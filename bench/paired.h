// Paired timing for the benchmarks: the peers of one comparison run in turn
// (A B A B ...) within one process run, so that a change of machine load
// falls on both sides of a pair, and the ratio is taken pair by pair.
#pragma once

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace bench {

using Clock = std::chrono::steady_clock;

template <class F>
double Seconds(F&& f) {
  const auto begin = Clock::now();
  f();
  return std::chrono::duration<double>(Clock::now() - begin).count();
}

struct Spread {
  double min = 0, median = 0, max = 0;
};

inline Spread SpreadOf(std::vector<double> v) {
  Spread s;
  if (v.empty()) return s;
  std::sort(v.begin(), v.end());
  s.min = v.front();
  s.max = v.back();
  const size_t n = v.size();
  s.median = n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
  return s;
}

// A peer runs once and gives its time in seconds, or a negative number when
// it failed.
using Peer = std::function<double()>;

// One warm-up round, then `rounds` rounds of every peer in the given order.
// times[peer][round]; empty when any run failed.
inline std::vector<std::vector<double>> RunRounds(int rounds, const std::vector<Peer>& peers) {
  std::vector<std::vector<double>> times(peers.size());
  for (int round = -1; round < rounds; ++round) {
    for (size_t p = 0; p < peers.size(); ++p) {
      const double s = peers[p]();
      if (s < 0) {
        std::printf("  run failed: peer %zu, round %d\n", p + 1, round);
        return {};
      }
      if (round >= 0) times[p].push_back(s);
    }
  }
  return times;
}

inline std::vector<double> Ratios(const std::vector<double>& a, const std::vector<double>& b) {
  std::vector<double> r;
  for (size_t k = 0; k < a.size() && k < b.size(); ++k) r.push_back(a[k] / b[k]);
  return r;
}

inline void PrintTimes(const std::string& name, const std::vector<double>& seconds) {
  const Spread s = SpreadOf(seconds);
  std::printf("  %-44s min %8.2f  median %8.2f  max %8.2f ms\n", name.c_str(), s.min * 1e3,
              s.median * 1e3, s.max * 1e3);
}

inline void PrintRatio(const std::string& name, const std::vector<double>& a,
                       const std::vector<double>& b) {
  const Spread s = SpreadOf(Ratios(a, b));
  std::printf("  %-44s min %8.2f  median %8.2f  max %8.2f   (%zu pairs)\n", name.c_str(), s.min,
              s.median, s.max, std::min(a.size(), b.size()));
}

inline long MinorPageFaults() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_minflt;
}

// Runs `f` as a peer and notes the minor page faults of each run in `faults`
// (first-touch faults cost this process, so they are part of the picture).
template <class F>
Peer Counted(F f, std::vector<long>& faults) {
  return [f, &faults] {
    const long before = MinorPageFaults();
    const double s = Seconds(f);
    faults.push_back(MinorPageFaults() - before);
    return s;
  };
}

// The same for a peer that consumes its input: `make` builds a fresh input
// before each run, outside the time, and `f` takes it.
template <class Make, class F>
Peer CountedWithInput(Make make, F f, std::vector<long>& faults) {
  return [make, f, &faults] {
    auto input = make();
    const long before = MinorPageFaults();
    const double s = Seconds([&] { f(std::move(input)); });
    faults.push_back(MinorPageFaults() - before);
    return s;
  };
}

// Two peers in turn, A B A B ...: times of each, and the ratio A / B per pair.
inline bool ComparePair(int rounds, const std::string& nameA, const Peer& a,
                        const std::string& nameB, const Peer& b, const std::string& ratioName) {
  const auto t = RunRounds(rounds, {a, b});
  if (t.empty()) return false;
  PrintTimes(nameA, t[0]);
  PrintTimes(nameB, t[1]);
  PrintRatio(ratioName, t[0], t[1]);
  return true;
}

}  // namespace bench

#pragma once
// How a benchmark file joins torvelle-bench: define a function that measures
// and reports, and register it once at namespace scope:
//
//   static const torvelle::bench::Registration reg("engine", &runEngineBench);
//
// Inside it, report(name, value, unit) prints one "name: value unit" line.
// TORVELLE_BENCH_CPU=1 in the environment measures processor time instead.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace torvelle::bench {

using BenchFunction = std::function<void()>;

inline std::vector<std::pair<std::string, BenchFunction>>& registry() {
  static std::vector<std::pair<std::string, BenchFunction>> functions;
  return functions;
}

struct Registration {
  Registration(std::string name, BenchFunction function) {
    registry().emplace_back(std::move(name), std::move(function));
  }
};

inline void report(const std::string& name, double value, const char* unit) {
  std::printf("%s: %.3g %s\n", name.c_str(), value, unit);
  std::fflush(stdout);
}

// With TORVELLE_BENCH_CPU set, figures are the calling thread's processor
// time instead of the wall clock's: on a machine shared with other work the
// wall clock measures the others too.
inline bool cpuTimeOnly() {
  static const bool cpu = std::getenv("TORVELLE_BENCH_CPU") != nullptr;
  return cpu;
}

inline double nowMillis() {
  if (cpuTimeOnly()) {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
  }
  return std::chrono::duration<double, std::milli>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// Milliseconds that `f` takes.
template <class F>
double millis(F&& f) {
  const double start = nowMillis();
  f();
  return nowMillis() - start;
}

// The middle value of `v`; 0 for none.
inline double medianOf(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace torvelle::bench

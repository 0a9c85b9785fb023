#pragma once
// How a benchmark file joins torvelle-bench: define a function that measures
// and reports, and register it once at namespace scope:
//
//   static const torvelle::bench::Registration reg("engine", &runEngineBench);
//
// Inside it, report(name, value, unit) prints one "name: value unit" line.
#include <chrono>
#include <cstdio>
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

// Milliseconds that `f` takes.
template <class F>
double millis(F&& f) {
  const auto start = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

}  // namespace torvelle::bench

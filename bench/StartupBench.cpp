// Start-up of the whole organizer, each in a fresh process (StartupChild):
// from the start of the process to the main window's first paint, and the
// memory held then, over empty tables and over 100,000 contacts with 10,000
// tasks. The runs alternate, so that a busy moment of the machine falls on
// both sides alike.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "BenchRegistry.h"
#include "GuiBench.h"

namespace torvelle::bench {
namespace {

struct StartFigures {
  double visibleMs = 0;
  double rssMb = 0;
};

// The child program, beside this one: a copied pair of builds compares.
std::filesystem::path childProgram() {
  return std::filesystem::read_symlink("/proc/self/exe").parent_path() / "torvelle-bench-startup";
}

// One start in a new process; the clock reading handed over marks the
// moment before the process is made.
StartFigures startOnce(const std::filesystem::path& folder) {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  const std::string command =
      "'" + childProgram().string() + "' '" + folder.string() + "' " +
      std::to_string(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count());
  FILE* child = popen(command.c_str(), "r");
  if (!child) throw std::runtime_error("cannot start " + command);
  StartFigures figures;
  char name[32] = {};
  double value = 0;
  int seen = 0;
  while (std::fscanf(child, "%31s %lf", name, &value) == 2) {
    if (std::string(name) == "visible_ms") figures.visibleMs = value, ++seen;
    if (std::string(name) == "rss_kb") figures.rssMb = value / 1024, ++seen;
  }
  if (pclose(child) != 0 || seen != 2) throw std::runtime_error("the start-up failed: " + command);
  return figures;
}

void runStartupBench() {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  const std::filesystem::path empty = newTablesFolder();
  const std::filesystem::path full = newTablesFolder();
  generatePhones(full, 100000, 20);
  generateTasks(full, 10000);
  // A first start writes the settings file: not a start a user repeats.
  startOnce(empty);
  startOnce(full);
  constexpr int kRuns = 7;
  std::vector<double> emptyMs, fullMs, emptyMb, fullMb;
  for (int i = 0; i < kRuns; ++i) {
    const StartFigures e = startOnce(empty);
    const StartFigures f = startOnce(full);
    emptyMs.push_back(e.visibleMs);
    fullMs.push_back(f.visibleMs);
    emptyMb.push_back(e.rssMb);
    fullMb.push_back(f.rssMb);
  }
  const double emptyStart = medianOf(emptyMs), fullStart = medianOf(fullMs);
  report("startup_visible_empty", emptyStart, "ms");
  report("startup_visible_100k_phones_10k_tasks", fullStart, "ms");
  report("startup_visible_100k_over_empty", fullStart / emptyStart, "ratio");
  report("startup_visible_100k_phones_10k_tasks_max",
         *std::max_element(fullMs.begin(), fullMs.end()), "ms");
  report("startup_rss_empty", medianOf(emptyMb), "MB");
  report("startup_rss_100k_phones_10k_tasks", medianOf(fullMb), "MB");
  std::error_code ec;
  std::filesystem::remove_all(empty, ec);
  std::filesystem::remove_all(full, ec);
}

const Registration reg("startup", &runStartupBench);

}  // namespace
}  // namespace torvelle::bench

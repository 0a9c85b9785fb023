#include <cstdio>
#include <exception>
#include <string>

#include "BenchRegistry.h"

int main(int argc, char** argv) {
  const std::string only = argc > 1 ? argv[1] : "";
  int failures = 0;
  for (const auto& [name, run] : torvelle::bench::registry()) {
    if (!only.empty() && name.find(only) == std::string::npos) continue;
    try {
      run();
    } catch (const std::exception& e) {
      std::fprintf(stderr, "%s failed: %s\n", name.c_str(), e.what());
      ++failures;
    }
  }
  return failures == 0 ? 0 : 1;
}

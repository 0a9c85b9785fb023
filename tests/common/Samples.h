#pragma once
// The genuine sample tables live outside the repository (TORVELLE_SAMPLES_DIR,
// a CMake cache variable). A clone on its own has none: the tests that read
// them skip with one line instead of failing the whole suite.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace torvelle::testing {

inline std::filesystem::path samplesDir() {
  return TORVELLE_SAMPLES_DIR;
}

inline bool samplesPresent() {
  std::error_code error;
  return !samplesDir().empty() && std::filesystem::is_directory(samplesDir(), error);
}

inline std::string samplesMissingMessage() {
  if (samplesDir().empty())
    return "sample tables not found (none beside the checkout); set TORVELLE_SAMPLES_DIR";
  return "sample tables not found at " + samplesDir().string() + "; set TORVELLE_SAMPLES_DIR";
}

}  // namespace torvelle::testing

// For the first line of a test that reads the samples.
#define TORVELLE_NEEDS_SAMPLES()                                    \
  do {                                                              \
    if (!::torvelle::testing::samplesPresent())                     \
      GTEST_SKIP() << ::torvelle::testing::samplesMissingMessage(); \
  } while (0)

#pragma once
#include <filesystem>

namespace torvelle::support {

// Afterwards a file exists at `path` and is empty: a new one is created, an
// existing one truncated. Throws IoError with the system's error text when
// the file cannot be created or closed.
void createEmptyFile(const std::filesystem::path& path);

}  // namespace torvelle::support

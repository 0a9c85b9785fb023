#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace torvelle::backup {

struct ArchiveEntry {
  std::string name;  // relative, '/'-separated
  std::string data;
};

// A plain ustar stream, so that an unprotected backup can also be opened
// with tar. Entries are owner-only files stamped with `mtime`.
std::string writeTar(const std::vector<ArchiveEntry>& entries, long long mtime);

// Every regular file of a tar stream, in order. Anything that is not a
// well-formed tar stream throws BackupError(Damaged).
std::vector<ArchiveEntry> readTar(std::string_view tar);

}  // namespace torvelle::backup

#pragma once
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "backup/Snapshot.h"

namespace torvelle::backup {

// What a backup holds: when it was taken and its tables with their files.
struct BackupContents {
  std::time_t created = 0;
  std::vector<TableSnapshot> tables;
};

// A tar stream whose first entry, MANIFEST, names each table with its record
// count and each file with its size and BLAKE2b digest; the table files
// follow. Sealed with `password` when one is given.
std::string makeArchive(const BackupContents& contents, const std::string& password);

// Opens an archive made by makeArchive, trying each password on a sealed
// one, and verifies every file against the manifest. Throws
// BackupError(Password) or BackupError(Damaged).
BackupContents readArchive(std::string_view archive, const std::vector<std::string>& passwords);

}  // namespace torvelle::backup

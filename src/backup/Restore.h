#pragma once
#include <filesystem>
#include <string>
#include <vector>

namespace torvelle::backup {

struct RestoreRequest {
  // Tried on a sealed archive, and on protected tables for their check.
  std::vector<std::string> passwords;
  // The current tables go into one more backup first, so that a restore can
  // itself be undone; sealed with this password when set.
  bool setAside = true;
  std::string setAsidePassword;
  int keep = 10;
};

struct RestoreResult {
  std::filesystem::path setAside;     // the backup of the tables replaced, if made
  std::vector<std::string> problems;  // what the check of the restored tables found
};

// Replaces the seven tables under `root` by those of `archive`. The archive
// is read and verified in full, its tables written beside the live ones and
// checked, all before anything live is touched; then, with every live table
// locked, the current ones are set aside and the new files renamed into
// place. A `root` that does not exist yet is made, owner-only. Throws BackupError (Password,
// Damaged, Check, Write) or engine::DbError(Busy) "Table is busy" with nothing replaced.
RestoreResult restoreBackup(const std::filesystem::path& archive, const std::filesystem::path& root,
                            const RestoreRequest& request);

}  // namespace torvelle::backup

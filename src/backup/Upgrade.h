#pragma once
#include <filesystem>
#include <string>
#include <vector>

namespace torvelle::engine {
class Session;
}

namespace torvelle::backup {

// What bringing an older folder's tables up to the current layout did.
struct UpgradeOutcome {
  std::vector<std::string> upgraded;  // relative paths of the tables restructured
  std::filesystem::path backup;       // the archive taken first, when any
  // Why nothing was done although tables lack fields (a read-only folder
  // or table, a table in use); empty otherwise. The tables work as they are.
  std::string leftAsIs;
};

// The shipped tables under `root` that exist and lack fields of the current
// layout; their designed fields are never touched.
std::vector<std::string> tablesToUpgrade(const std::filesystem::path& root);

// Once per older folder: a backup of the seven tables, then each table
// restructured (its records get identities in the same step; a kill leaves
// each table old or new, and the next open finishes the rest). A folder or
// table that cannot be written is left as it is and said so in the outcome.
// Protected tables ask the session for their password first. A failure of
// the backup or the restructure throws, with the tables not yet done
// unchanged.
UpgradeOutcome upgradeTables(const std::filesystem::path& root, engine::Session& session);

}  // namespace torvelle::backup

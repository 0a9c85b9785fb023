#pragma once
#include <iosfwd>
#include <string>
#include <vector>

namespace torvelle::tools {

// torvelle-db backup DIR and restore ARCHIVE DIR. `passwords` are those given
// with --password: the tables' master password, and for a restore also the
// one the archive was made with. Throws what the backup layer throws.
int commandBackup(const std::vector<std::string>& operands,
                  const std::vector<std::string>& passwords, std::ostream& out);
int commandRestore(const std::vector<std::string>& operands,
                   const std::vector<std::string>& passwords, std::ostream& out, std::ostream& err);

// Brings an older organizer folder's tables to the current layout (a backup
// first), saying on `out` what was done. A protected folder without its
// password, or one that cannot be written, is left as it is and said so.
void upgradeFolder(const std::string& root, const std::vector<std::string>& passwords,
                   std::ostream& out);

// The organizer folder a shipped table's path lies in, or empty for any
// other table.
std::string organizerFolderOf(const std::string& table);

}  // namespace torvelle::tools

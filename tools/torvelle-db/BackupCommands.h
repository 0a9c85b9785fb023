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

}  // namespace torvelle::tools

#include "BackupCommands.h"

#include <ostream>
#include <stdexcept>

#include "backup/BackupFolder.h"
#include "backup/Restore.h"

namespace torvelle::tools {

int commandBackup(const std::vector<std::string>& operands,
                  const std::vector<std::string>& passwords, std::ostream& out) {
  if (operands.size() != 1) throw std::invalid_argument("backup takes one folder");
  backup::BackupRequest request;
  request.password = backup::masterPassword(operands[0], passwords);
  out << backup::makeBackup(operands[0], request).string() << '\n';
  return 0;
}

int commandRestore(const std::vector<std::string>& operands,
                   const std::vector<std::string>& passwords, std::ostream& out,
                   std::ostream& err) {
  if (operands.size() != 2) throw std::invalid_argument("restore takes an archive and a folder");
  backup::RestoreRequest request;
  request.passwords = passwords;
  request.setAsidePassword = backup::masterPassword(operands[1], passwords);
  const auto result = backup::restoreBackup(operands[0], operands[1], request);
  if (!result.setAside.empty())
    out << "The tables replaced are kept in " << result.setAside.string() << '\n';
  for (const auto& problem : result.problems) err << problem << '\n';
  return result.problems.empty() ? 0 : 1;
}

}  // namespace torvelle::tools

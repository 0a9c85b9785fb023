#include "BackupCommands.h"

#include <filesystem>
#include <ostream>
#include <stdexcept>

#include "backup/BackupFolder.h"
#include "backup/Restore.h"
#include "backup/Upgrade.h"
#include "engine/DbError.h"
#include "engine/Session.h"
#include "engine/ShippedTables.h"
#include "support/AsciiText.h"

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

void upgradeFolder(const std::string& root, const std::vector<std::string>& passwords,
                   std::ostream& out) {
  engine::Session session;
  for (const auto& password : passwords) session.addPassword(password);
  try {
    const auto outcome = backup::upgradeTables(root, session);
    for (const auto& table : outcome.upgraded) out << "Upgraded " << table << '\n';
    if (!outcome.backup.empty()) out << "Backup taken first: " << outcome.backup.string() << '\n';
    if (!outcome.leftAsIs.empty())
      out << "Tables left as they are: " << outcome.leftAsIs << " cannot be written\n";
  } catch (const engine::DbError& e) {
    if (e.kind() != engine::DbError::Kind::PasswordNeeded) throw;
    out << "Tables left as they are: they are protected; give --password to upgrade them\n";
  }
}

std::string organizerFolderOf(const std::string& table) {
  const std::filesystem::path path = std::filesystem::absolute(table).lexically_normal();
  for (const auto& shipped : engine::shippedTables()) {
    std::filesystem::path root = path;
    bool matches = true;
    // Compared from the file name up, letter case ignored as tables are found.
    const std::filesystem::path relative(shipped.relativePath);
    const std::vector<std::filesystem::path> parts(relative.begin(), relative.end());
    for (auto it = parts.rbegin(); it != parts.rend() && matches; ++it) {
      matches = support::asciiLower(root.filename().string()) == support::asciiLower(it->string());
      root = root.parent_path();
    }
    if (matches) return root.string();
  }
  return {};
}

}  // namespace torvelle::tools

#include "backup/Upgrade.h"

#include <chrono>

#ifdef _WIN32
#include <io.h>
#define TORVELLE_ACCESS _access
#define TORVELLE_W_OK 2
#else
#include <unistd.h>
#define TORVELLE_ACCESS ::access
#define TORVELLE_W_OK W_OK
#endif

#include "backup/BackupFolder.h"
#include "engine/DbError.h"
#include "engine/Restructure.h"
#include "engine/Session.h"
#include "engine/ShippedTables.h"
#include "engine/format/FileIo.h"

namespace torvelle::backup {

namespace fs = std::filesystem;

namespace {

const engine::ShippedTable* layoutOf(const std::string& relativePath) {
  for (const auto& table : engine::shippedTables())
    if (table.relativePath == relativePath) return &table;
  return nullptr;
}

// The table's file as found on disk, in any letter case.
std::optional<fs::path> existingTable(const fs::path& root, const engine::ShippedTable& table) {
  const fs::path wanted = root / table.relativePath;
  return format::findAnyCase(wanted.parent_path(), wanted.filename().string());
}

bool writable(const fs::path& path) {
  return TORVELLE_ACCESS(path.string().c_str(), TORVELLE_W_OK) == 0;
}

// A restructure writes new files beside the table and renames them into place.
std::string whyNotWritable(const fs::path& root, const std::vector<std::string>& tables) {
  for (const auto& relative : tables) {
    const auto path = existingTable(root, *layoutOf(relative));
    if (!path) continue;
    if (!writable(path->parent_path())) return "the folder " + path->parent_path().string();
    if (!writable(*path)) return "the table " + path->string();
  }
  return {};
}

}  // namespace

std::vector<std::string> tablesToUpgrade(const fs::path& root) {
  std::vector<std::string> tables;
  for (const auto& table : engine::shippedTables()) {
    const auto path = existingTable(root, table);
    if (!path) continue;
    if (!engine::missingFields(*path, engine::appendedFields(table)).empty())
      tables.push_back(table.relativePath);
  }
  return tables;
}

UpgradeOutcome upgradeTables(const fs::path& root, engine::Session& session) {
  UpgradeOutcome outcome;
  const auto tables = tablesToUpgrade(root);
  if (tables.empty()) return outcome;
  if (const auto why = whyNotWritable(root, tables); !why.empty()) {
    outcome.leftAsIs = why + " cannot be written";
    return outcome;
  }
  // The archive of a protected set is sealed with its password: learn it
  // (asking if need be) before anything else.
  const fs::path first = *existingTable(root, *layoutOf(tables.front()));
  session.withPasswords(
      [&](const format::OpenOptions& options) { format::TableFile::open(first, options); });
  BackupRequest request;
  request.password = masterPassword(root, session.passwords());
  request.wait = std::chrono::milliseconds(2000);
  outcome.backup = makeBackup(root, request);
  for (const auto& relative : tables) {
    const auto* layout = layoutOf(relative);
    const auto path = existingTable(root, *layout);
    if (path && engine::appendShippedFields(session, *path, engine::appendedFields(*layout)))
      outcome.upgraded.push_back(relative);
  }
  return outcome;
}

}  // namespace torvelle::backup

#include "backup/Recode.h"

#include <memory>
#include <optional>
#include <utility>

#include "backup/BackupFolder.h"
#include "engine/DbError.h"
#include "engine/ShippedTables.h"
#include "engine/format/FileIo.h"
#include "support/AtomicFile.h"

namespace torvelle::backup {

namespace fs = std::filesystem;

namespace {

using engine::DbError;

struct HeldTable {
  std::string name;
  std::unique_ptr<format::TableRecoder> recoder;
};

format::OpenOptions openOptions(const RecodeRequest& request) {
  format::OpenOptions options;
  options.passwords = request.passwords;
  return options;
}

// Every table is checked before any is written: one that cannot be held
// leaves them all as they are.
bool allFit(const std::vector<HeldTable>& tables, RecodeOutcome& outcome) {
  for (const auto& table : tables)
    for (const auto& text : table.recoder->unfit()) outcome.unfit.push_back({table.name, text});
  return outcome.unfit.empty();
}

void writeAll(const std::vector<HeldTable>& tables, RecodeOutcome& outcome) {
  for (const auto& table : tables) {
    if (!table.recoder->needed()) continue;
    table.recoder->write();
    outcome.recoded.push_back(table.name);
  }
}

bool anyNeeded(const std::vector<HeldTable>& tables, RecodeOutcome& outcome) {
  bool any = false;
  for (const auto& table : tables) {
    if (table.recoder->needed())
      any = true;
    else
      outcome.unchanged.push_back(table.name);
  }
  return any;
}

// "T.DB.cp1251", or with a number after it when an earlier one is there.
fs::path copyName(const fs::path& file, int codePage) {
  const std::string base = file.string() + ".cp" + std::to_string(codePage);
  fs::path name = base;
  std::error_code ec;
  for (int n = 2; fs::exists(name, ec); ++n) name = base + "." + std::to_string(n);
  return name;
}

}  // namespace

RecodeOutcome recodeFolder(const fs::path& root, const RecodeRequest& request) {
  std::vector<HeldTable> tables;
  for (const auto& shipped : engine::shippedTables()) {
    const fs::path wanted = root / shipped.relativePath;
    const auto path = format::findAnyCase(wanted.parent_path(), wanted.filename().string());
    if (!path) continue;
    tables.push_back(
        {shipped.relativePath, std::make_unique<format::TableRecoder>(
                                   *path, openOptions(request), request.codePage, request.readAs)});
  }
  if (tables.empty())
    throw DbError(DbError::Kind::NotFound, "No organizer tables under " + (root / "DB").string());
  RecodeOutcome outcome;
  if (!allFit(tables, outcome) || !anyNeeded(tables, outcome)) return outcome;
  BackupRequest backup;
  backup.password = masterPassword(root, request.passwords);
  // The tables are ours while they are held open: nothing changes them.
  backup.lockTables = false;
  outcome.backup.push_back(makeBackup(root, backup));
  writeAll(tables, outcome);
  return outcome;
}

RecodeOutcome recodeTable(const fs::path& table, const RecodeRequest& request) {
  std::vector<HeldTable> tables;
  tables.push_back({table.filename().string(),
                    std::make_unique<format::TableRecoder>(table, openOptions(request),
                                                           request.codePage, request.readAs)});
  RecodeOutcome outcome;
  if (!allFit(tables, outcome) || !anyNeeded(tables, outcome)) return outcome;
  const auto& recoder = *tables.front().recoder;
  for (const auto& file : recoder.files()) {
    const auto bytes = support::readWholeFile(file);
    if (!bytes) throw DbError(DbError::Kind::NotFound, "Table file gone: " + file.string());
    const fs::path copy = copyName(file, recoder.declaredCodePage());
    writeFileDurably(copy, *bytes);
    outcome.backup.push_back(copy);
  }
  writeAll(tables, outcome);
  return outcome;
}

}  // namespace torvelle::backup

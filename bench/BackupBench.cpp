// Backup and restore of the seven tables with 100,000 task records (memo
// text included), plain and sealed with a password. The tables are built
// once into a cache folder.
#include <filesystem>
#include <string>

#include "BenchRegistry.h"
#include "backup/BackupFolder.h"
#include "backup/Restore.h"
#include "engine/ShippedTables.h"
#include "engine/format/TableFile.h"

namespace torvelle::bench {
namespace {

namespace fs = std::filesystem;

constexpr int kRecords = 100000;

fs::path cacheRoot(bool sealed) {
  const char* dir = std::getenv("TORVELLE_BENCH_CACHE");
  const fs::path base = dir ? fs::path(dir) : fs::temp_directory_path() / "torvelle-bench-cache";
  return base / (sealed ? "backup-sealed" : "backup-plain");
}

void buildTables(const fs::path& root, const std::string& password) {
  if (fs::exists(root / "DB/Links/Links.db")) return;
  fs::remove_all(root);
  engine::createShippedTables(root);
  const fs::path tasks = root / "DB/Tasks/Tasks.db";
  {
    format::OpenOptions options;
    options.writable = true;
    options.sync = false;
    const auto table = format::TableFile::open(tasks, options);
    for (int n = 0; n < kRecords; ++n)
      table->insert({format::Date{730000 + n / 24}, format::Time{(n % 24) * 3600000},
                     "Task number " + std::to_string(n), n % 3 == 0,
                     n % 4 == 0 ? "Some notes on task " + std::to_string(n) : std::string()});
  }
  if (!password.empty())
    for (const auto& t : engine::shippedTables())
      format::TableFile::setPassword(root / t.relativePath, {}, password);
}

void measure(bool sealed) {
  const std::string password = sealed ? "bench password" : "";
  const std::string kind = sealed ? "sealed" : "plain";
  const fs::path root = cacheRoot(sealed);
  buildTables(root, password);
  fs::remove_all(backup::backupFolder(root));

  backup::BackupRequest request;
  request.password = password;
  fs::path archive;
  report("backup." + kind + ".100k_records",
         millis([&] { archive = backup::makeBackup(root, request); }), "ms");
  report("backup." + kind + ".archive_size", static_cast<double>(fs::file_size(archive)) / 1e6,
         "MB");

  backup::RestoreRequest restore;
  restore.passwords = {password};
  restore.setAside = false;
  report("backup." + kind + ".restore_100k_records",
         millis([&] { backup::restoreBackup(archive, root, restore); }), "ms");
}

void runBackupBench() {
  measure(false);
  measure(true);
}

const Registration registration("backup", &runBackupBench);

}  // namespace
}  // namespace torvelle::bench

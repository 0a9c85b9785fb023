#pragma once
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "backup/TarStream.h"

namespace torvelle::backup {

// Exclusive locks on the seven tables under a program folder, the same locks
// a writer of the engine holds, so that nobody changes a table while they
// are held. Interrupted changes are put right once the locks are taken.
class TableLocks {
 public:
  // Tries for up to `wait`; a table still held by then throws
  // engine::DbError(Busy) "Table is busy: NAME". Missing tables are skipped.
  TableLocks(const std::filesystem::path& root, std::chrono::milliseconds wait);
  ~TableLocks();
  TableLocks(const TableLocks&) = delete;
  TableLocks& operator=(const TableLocks&) = delete;

 private:
  void release() noexcept;
  std::vector<int> fds_;
};

// One table's files as they were at the moment of the snapshot.
struct TableSnapshot {
  std::string table;  // relative path of the .DB, as found on disk
  std::uint32_t records = 0;
  std::vector<ArchiveEntry> files;  // the .DB, then .PX and .MB where present
};

// Reads the seven tables' files. The caller makes sure no writer is at work:
// by holding TableLocks, or by being the only writer and not writing now.
std::vector<TableSnapshot> readTables(const std::filesystem::path& root);

// The newest change time of any file of the seven tables (0 when none).
std::filesystem::file_time_type newestTableChange(const std::filesystem::path& root);

}  // namespace torvelle::backup

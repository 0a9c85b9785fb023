#include "backup/Snapshot.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <optional>
#include <thread>

#include "engine/DbError.h"
#include "engine/ShippedTables.h"
#include "engine/format/Bytes.h"
#include "engine/format/FileIo.h"
#include "engine/format/Header.h"
#include "engine/format/Journal.h"
#include "engine/format/TableWriter.h"

namespace torvelle::backup {
namespace {

using engine::DbError;
namespace fs = std::filesystem;

std::optional<fs::path> tablePath(const fs::path& root, const std::string& relative) {
  const fs::path wanted = root / relative;
  if (!fs::exists(wanted.parent_path())) return std::nullopt;
  return format::findAnyCase(wanted.parent_path(), wanted.filename().string());
}

// A lock taken on a file that has since been renamed over (a pack finishing)
// guards nothing; the caller tries again.
bool stillSameFile(int fd, const fs::path& path) {
  struct stat byFd {
  }, byName{};
  return ::fstat(fd, &byFd) == 0 && ::stat(path.c_str(), &byName) == 0 &&
         byFd.st_ino == byName.st_ino && byFd.st_dev == byName.st_dev;
}

// Finishes a replacement or rolls back a change that a crashed writer left;
// we hold the table's lock, so nobody else is doing it.
void settle(const fs::path& db) {
  format::finishReplace(db);
  const fs::path journal = db.string() + "-journal";
  const auto image = format::readJournal(journal);
  if (!image) return;
  format::File dbFile(db, true);
  bool exists = false;
  std::optional<format::File> px, mb;
  if (const auto p = format::companionPath(db, ".PX", &exists); exists) px.emplace(p, true);
  if (const auto m = format::companionPath(db, ".MB", &exists); exists) mb.emplace(m, true);
  format::rollBack(journal, *image, {&dbFile, px ? &*px : nullptr, mb ? &*mb : nullptr});
}

std::string readWhole(const fs::path& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  std::string data;
  if (in) {
    data.resize(static_cast<std::size_t>(in.tellg()));
    in.seekg(0);
    in.read(data.data(), static_cast<std::streamsize>(data.size()));
  }
  if (!in)
    throw DbError(DbError::Kind::Io, "Cannot read " + path.string() + ": " + std::strerror(errno));
  return data;
}

std::string relativeName(const fs::path& root, const fs::path& file) {
  return file.lexically_relative(root).generic_string();
}

}  // namespace

TableLocks::TableLocks(const fs::path& root, std::chrono::milliseconds wait) {
  const auto deadline = std::chrono::steady_clock::now() + wait;
  for (const auto& table : engine::shippedTables()) {
    const auto db = tablePath(root, table.relativePath);
    if (!db) continue;
    for (;;) {
      const int fd = ::open(db->c_str(), O_RDWR | O_CLOEXEC);
      if (fd < 0) {
        release();
        throw DbError(DbError::Kind::Io,
                      "Cannot open " + db->string() + ": " + std::strerror(errno));
      }
      if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && stillSameFile(fd, *db)) {
        fds_.push_back(fd);
        break;
      }
      ::close(fd);
      if (std::chrono::steady_clock::now() >= deadline) {
        release();
        throw DbError(DbError::Kind::Busy, "Table is busy: " + db->filename().string());
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    settle(*db);
  }
}

TableLocks::~TableLocks() {
  release();
}

void TableLocks::release() noexcept {
  for (const int fd : fds_) ::close(fd);
  fds_.clear();
}

std::vector<TableSnapshot> readTables(const fs::path& root) {
  std::vector<TableSnapshot> tables;
  for (const auto& table : engine::shippedTables()) {
    const auto db = tablePath(root, table.relativePath);
    if (!db) continue;
    TableSnapshot snap;
    snap.table = relativeName(root, *db);
    snap.files.push_back({snap.table, readWhole(*db)});
    const auto& head = snap.files.front().data;
    if (head.size() >= format::hdr::kNumRecords + 4)
      snap.records = format::getU32(reinterpret_cast<const std::uint8_t*>(head.data()) +
                                    format::hdr::kNumRecords);
    for (const char* ext : {".PX", ".MB"}) {
      bool exists = false;
      const auto companion = format::companionPath(*db, ext, &exists);
      if (exists) snap.files.push_back({relativeName(root, companion), readWhole(companion)});
    }
    tables.push_back(std::move(snap));
  }
  return tables;
}

fs::file_time_type newestTableChange(const fs::path& root) {
  fs::file_time_type newest{};
  for (const auto& table : engine::shippedTables()) {
    const auto db = tablePath(root, table.relativePath);
    if (!db) continue;
    std::error_code ec;
    for (const char* ext : {"", ".PX", ".MB"}) {
      bool exists = true;
      const auto file = *ext ? format::companionPath(*db, ext, &exists) : *db;
      if (!exists) continue;
      const auto t = fs::last_write_time(file, ec);
      if (!ec && t > newest) newest = t;
    }
  }
  return newest;
}

}  // namespace torvelle::backup

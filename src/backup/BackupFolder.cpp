#include "backup/BackupFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <regex>

#include "backup/BackupArchive.h"
#include "backup/BackupError.h"
#include "backup/Snapshot.h"
#include "backup/Thinning.h"
#include "engine/DbError.h"
#include "engine/ShippedTables.h"
#include "engine/format/FileIo.h"
#include "engine/format/TableFile.h"

namespace torvelle::backup {
namespace {

namespace fs = std::filesystem;
using engine::DbError;

constexpr std::string_view kPlainExt = ".tar", kSealedExt = ".tar.sealed";

[[noreturn]] void cannotWrite(const fs::path& path, int err) {
  throw BackupError(BackupError::Kind::Write,
                    "Cannot write the backup " + path.string() + ": " + std::strerror(err));
}

std::string stamp(std::time_t t) {
  std::tm tm{};
  gmtime_r(&t, &tm);
  char text[32];
  std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &tm);
  return text;
}

// A new name; a second backup within the same second gets a suffix.
fs::path newArchivePath(const fs::path& folder, std::time_t now, bool sealed) {
  const std::string base = "backup-" + stamp(now);
  const auto ext = std::string(sealed ? kSealedExt : kPlainExt);
  fs::path path = folder / (base + ext);
  for (int n = 2; fs::exists(path); ++n) {
    std::string numbered = base;
    numbered += "-" + std::to_string(n);
    numbered += ext;
    path = folder / numbered;
  }
  return path;
}

// Leftovers of a writer that was killed; an hour old so that a backup being
// written by another process right now is left alone.
void removeStaleParts(const fs::path& folder) {
  std::error_code ec;
  const auto limit = fs::file_time_type::clock::now() - std::chrono::hours(1);
  for (const auto& e : fs::directory_iterator(folder, ec)) {
    const auto name = e.path().filename().string();
    if (name.starts_with(".") && name.ends_with(".part") && e.last_write_time(ec) < limit)
      fs::remove(e.path(), ec);
  }
}

}  // namespace

fs::path backupFolder(const fs::path& root) {
  return root / "Backups";
}

std::vector<BackupFile> listBackups(const fs::path& folder) {
  static const std::regex name(R"(backup-(\d{8})-(\d{6})(-\d+)?\.tar(\.sealed)?)");
  // Backups of one second carry a sequence suffix (none is the first).
  std::vector<std::pair<BackupFile, int>> found;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(folder, ec)) {
    std::smatch m;
    const std::string file = e.path().filename().string();
    if (!e.is_regular_file(ec) || !std::regex_match(file, m, name)) continue;
    std::tm tm{};
    const std::string when = m[1].str() + m[2].str();
    if (!strptime(when.c_str(), "%Y%m%d%H%M%S", &tm)) continue;
    int sequence = 1;
    if (m[3].matched) {
      const std::string digits = m[3].str().substr(1);
      std::from_chars(digits.data(), digits.data() + digits.size(), sequence);
    }
    found.push_back({BackupFile{e.path(), timegm(&tm), m[4].matched}, sequence});
  }
  std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
    return a.first.created != b.first.created ? a.first.created > b.first.created
                                              : a.second > b.second;
  });
  std::vector<BackupFile> newestFirst;
  newestFirst.reserve(found.size());
  for (auto& [file, sequence] : found) newestFirst.push_back(std::move(file));
  return newestFirst;
}

void makePrivateFolder(const fs::path& folder) {
  if (fs::is_directory(folder)) return;
  if (folder.has_parent_path() && folder.parent_path() != folder)
    makePrivateFolder(folder.parent_path());
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) cannotWrite(folder, errno);
}

void writeFileDurably(const fs::path& path, std::string_view data) {
  const fs::path temp = path.parent_path() / ("." + path.filename().string() + ".part");
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) cannotWrite(path, errno);
  int err = 0;
  for (std::size_t at = 0; at < data.size() && err == 0;) {
    const ssize_t n = ::write(fd, data.data() + at, data.size() - at);
    if (n < 0 && errno != EINTR) err = errno;
    if (n > 0) at += static_cast<std::size_t>(n);
  }
  if (err == 0 && ::fsync(fd) != 0) err = errno;
  if (::close(fd) != 0 && err == 0) err = errno;
  if (err == 0 && ::rename(temp.c_str(), path.c_str()) != 0) err = errno;
  if (err != 0) {
    ::unlink(temp.c_str());
    cannotWrite(path, err);
  }
  try {
    format::syncDirectory(path.parent_path());
  } catch (const DbError& e) {
    throw BackupError(BackupError::Kind::Write, e.what());
  }
}

std::string masterPassword(const fs::path& root, const std::vector<std::string>& passwords) {
  const fs::path tasks = root / engine::shippedTables().front().relativePath;
  if (!fs::exists(tasks) || !format::TableFile::isProtected(tasks)) return {};
  for (const auto& p : passwords) {
    format::OpenOptions options;
    options.passwords = {p};
    try {
      format::TableFile::open(tasks, options);
      return p;
    } catch (const DbError& e) {
      if (e.kind() != DbError::Kind::PasswordNeeded) throw;
    }
  }
  throw DbError(DbError::Kind::PasswordNeeded,
                "The tables are protected: their password is needed");
}

fs::path makeBackup(const fs::path& root, const BackupRequest& request) {
  const fs::path folder = backupFolder(root);
  makePrivateFolder(folder);
  removeStaleParts(folder);
  BackupContents contents;
  contents.created = request.now;
  {
    std::optional<TableLocks> locks;
    if (request.lockTables) locks.emplace(root, request.wait);
    contents.tables = readTables(root);
  }
  if (contents.tables.empty())
    throw BackupError(BackupError::Kind::Write,
                      "There are no tables to back up in " + root.string());
  const std::string archive = makeArchive(contents, request.password);
  fs::path path = newArchivePath(folder, request.now, !request.password.empty());
  writeFileDurably(path, archive);
  thinBackups(folder, request.keep, request.now);
  return path;
}

bool backupDue(const fs::path& root, BackupWhen when, std::time_t now) {
  const auto backups = listBackups(backupFolder(root));
  if (backups.empty()) return true;
  if (when == BackupWhen::Daily) return now - backups.front().created >= 24 * 60 * 60;
  std::error_code ec;
  const auto written = fs::last_write_time(backups.front().path, ec);
  return ec || newestTableChange(root) > written;
}

int thinBackups(const fs::path& folder, int keep, std::time_t now) {
  const auto backups = listBackups(folder);
  std::vector<std::time_t> times;
  times.reserve(backups.size());
  for (const auto& b : backups) times.push_back(b.created);
  int removed = 0;
  for (const std::size_t i : thinningVictims(times, keep, now)) {
    std::error_code ec;
    if (fs::remove(backups[i].path, ec)) ++removed;
  }
  return removed;
}

}  // namespace torvelle::backup

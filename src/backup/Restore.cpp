#include "backup/Restore.h"

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>

#include "backup/BackupArchive.h"
#include "backup/BackupError.h"
#include "backup/BackupFolder.h"
#include "backup/Snapshot.h"
#include "engine/DbError.h"
#include "engine/format/FileIo.h"
#include "engine/format/TableFile.h"
#include "support/AtomicFile.h"
#include "support/IoError.h"

namespace torvelle::backup {
namespace {

namespace fs = std::filesystem;
using engine::DbError;

std::string readArchiveFile(const fs::path& path) {
  try {
    if (std::optional<std::string> data = support::readWholeFile(path)) return std::move(*data);
  } catch (const support::IoError& e) {
    throw BackupError(BackupError::Kind::Damaged, e.what());
  }
  throw BackupError(BackupError::Kind::Damaged,
                    "Cannot read " + path.string() + ": " + std::strerror(ENOENT));
}

// The restored files wait in a private folder inside the program folder, on
// the same file system as the live tables, so that putting them in place is
// a rename.
class Staging {
 public:
  explicit Staging(const fs::path& root) {
    std::string pattern = (root / ".restore-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
      throw BackupError(BackupError::Kind::Write, "Cannot prepare the restore in " + root.string() +
                                                      ": " + std::strerror(errno));
    path_ = pattern;
  }
  ~Staging() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  Staging(const Staging&) = delete;
  Staging& operator=(const Staging&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

format::OpenOptions checkOptions(const RestoreRequest& request) {
  format::OpenOptions options;
  options.passwords = request.passwords;
  return options;
}

void stageAndCheck(const BackupContents& contents, const fs::path& stage,
                   const RestoreRequest& request) {
  for (const auto& t : contents.tables) {
    for (const auto& f : t.files) {
      const fs::path path = stage / f.name;
      makePrivateFolder(path.parent_path());
      writeFileDurably(path, f.data);
    }
    std::vector<std::string> problems;
    try {
      problems = format::TableFile::check(stage / t.table, checkOptions(request));
    } catch (const DbError& e) {
      problems = {e.what()};
    }
    if (!problems.empty())
      throw BackupError(
          BackupError::Kind::Check,
          "The backup's table " + t.table + " does not pass the check: " + problems.front());
  }
}

// Where a file of the archive goes: the live file of that name in any letter
// case, else the archive's name.
fs::path liveTarget(const fs::path& root, const std::string& name) {
  fs::path wanted = root / name;
  if (fs::is_directory(wanted.parent_path()))
    if (auto found = format::findAnyCase(wanted.parent_path(), wanted.filename().string()))
      return *found;
  return wanted;
}

void replaceTable(const TableSnapshot& t, const fs::path& stage, const fs::path& root) {
  const fs::path db = liveTarget(root, t.table);
  makePrivateFolder(db.parent_path());
  // Companions the restored table does not have must not stay beside it.
  for (const char* ext : {".PX", ".MB"}) {
    bool exists = false;
    const auto live = format::companionPath(db, ext, &exists);
    bool restored = false;
    for (const auto& f : t.files) restored = restored || liveTarget(root, f.name) == live;
    if (exists && !restored) fs::remove(live);
  }
  for (const auto& f : t.files) {
    const fs::path target = liveTarget(root, f.name);
    if (::rename((stage / f.name).c_str(), target.c_str()) != 0)
      throw BackupError(BackupError::Kind::Write,
                        "Cannot put " + target.string() + " in place: " + std::strerror(errno));
  }
  format::syncDirectory(db.parent_path());
}

RestoreResult restoreInto(const BackupContents& contents, const fs::path& root,
                          const RestoreRequest& request) {
  Staging stage(root);
  stageAndCheck(contents, stage.path(), request);

  RestoreResult result;
  {
    const TableLocks locks(root, std::chrono::milliseconds(0));
    if (request.setAside) {
      BackupRequest aside;
      aside.password = request.setAsidePassword;
      aside.keep = request.keep;
      aside.lockTables = false;
      // A root without tables has nothing to set aside.
      try {
        result.setAside = makeBackup(root, aside);
      } catch (const BackupError& e) {
        if (!readTables(root).empty()) throw;
      }
    }
    for (const auto& t : contents.tables) replaceTable(t, stage.path(), root);
  }
  for (const auto& t : contents.tables) {
    try {
      for (const auto& p : format::TableFile::check(root / t.table, checkOptions(request)))
        result.problems.push_back(t.table + ": " + p);
    } catch (const DbError& e) {
      result.problems.push_back(t.table + ": " + e.what());
    }
  }
  return result;
}

}  // namespace

RestoreResult restoreBackup(const fs::path& archive, const fs::path& root,
                            const RestoreRequest& request) {
  const BackupContents contents = readArchive(readArchiveFile(archive), request.passwords);
  // Restoring onto a new machine or disk: the folder is made, owner-only like
  // the data folder, and goes again when the restore is refused.
  std::error_code ec;
  const bool made = !fs::exists(root, ec);
  if (made) makePrivateFolder(root);
  try {
    return restoreInto(contents, root, request);
  } catch (...) {
    if (made) fs::remove(root, ec);
    throw;
  }
}

}  // namespace torvelle::backup

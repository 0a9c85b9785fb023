#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

#include "engine/format/Bytes.h"
#include "engine/format/FileIo.h"
#include "engine/format/Journal.h"
#include "engine/format/TableFile.h"

namespace torvelle::format {

// The files of one table (.DB, .PX, .MB) and the rollback journal that makes
// each change to them atomic. A change a crash cut short is put back at
// open; a reader that may not write reads through the journal's
// before-image instead, so it sees the table as it was.
class FileSet {
 public:
  // Finds the table in any letter case and, writable, locks it.
  FileSet(const std::filesystem::path& requested, const OpenOptions& options);
  ~FileSet();
  FileSet(const FileSet&) = delete;
  FileSet& operator=(const FileSet&) = delete;

  const std::filesystem::path& path(std::size_t file) const { return paths_[file]; }
  bool isOpen(std::size_t file) const { return files_[file].isOpen(); }
  // Size and bytes as the table stands; a file that is not there is empty.
  std::uint64_t size(std::size_t file) const;
  std::size_t read(std::size_t file, std::uint64_t offset, std::uint8_t* out, std::size_t n) const;

  // Makes the missing file `file` holding `content`, and opens it.
  void create(std::size_t file, const Bytes& content);
  // Writes a change through the journal (see commitWrites).
  void commit(std::vector<PendingWrite> writes,
              const std::array<std::optional<std::uint64_t>, kFileCount>& sizes);

 private:
  void recoverPendingChange();
  std::array<File*, kFileCount> openFiles();

  std::array<std::filesystem::path, kFileCount> paths_;
  std::filesystem::path journalPath_;
  OpenOptions options_;
  std::array<File, kFileCount> files_;
  File journal_;
  std::optional<JournalImage> overlay_;  // read-only open of a table with a pending change
};

}  // namespace torvelle::format

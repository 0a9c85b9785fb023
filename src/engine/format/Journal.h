#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "engine/format/Bytes.h"
#include "engine/format/FileIo.h"

namespace torvelle::format {

// The files of one table a change may touch: .DB, .PX, .MB.
constexpr std::size_t kDbFile = 0, kPxFile = 1, kMbFile = 2, kFileCount = 3;

struct PendingWrite {
  std::size_t file = kDbFile;
  std::uint64_t offset = 0;
  Bytes data;
};

// What the journal remembers: each file's size and the bytes a change
// overwrote. Applying it gives back the table as it was before the change.
struct JournalImage {
  std::array<std::optional<std::uint64_t>, kFileCount> sizes;
  struct Region {
    std::size_t file;
    std::uint64_t offset;
    Bytes data;
  };
  std::vector<Region> regions;
};

struct CommitOptions {
  bool sync = true;
  // Called at points of a commit ("journal", "write", "synced"); tests stop
  // the process there to stand for a crash.
  std::function<void(std::string_view)> hook;
};

// Applies `writes` (and the new sizes, where given) to `files` so that a
// crash at any instant leaves all of them as before or as after: the bytes
// about to be overwritten go to the rollback journal first, which is flushed
// before any table file changes and emptied once they are flushed. The
// journal file stays open between changes; an empty one means nothing is
// pending. A failure rolls back at once and throws; if even that fails the
// journal stays for the next open.
void commitWrites(File& journal, std::array<File*, kFileCount> files,
                  std::vector<PendingWrite> writes,
                  const std::array<std::optional<std::uint64_t>, kFileCount>& newSizes,
                  const CommitOptions& options);

// Reads a journal; nullopt when there is none or it was not completely
// written (then no table file was touched yet).
std::optional<JournalImage> readJournal(const std::filesystem::path& journalPath);

// Puts the before-image back into `files` (opened writable), flushes them
// and removes the journal.
void rollBack(const std::filesystem::path& journalPath, const JournalImage& image,
              std::array<File*, kFileCount> files);

}  // namespace torvelle::format

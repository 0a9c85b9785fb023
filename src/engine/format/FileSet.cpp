#include "engine/format/FileSet.h"

#include <algorithm>
#include <cstring>

#include "engine/DbError.h"

namespace torvelle::format {

using engine::DbError;

FileSet::FileSet(const std::filesystem::path& requested, const OpenOptions& options)
    : options_(options) {
  auto path = requested;
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) {
    const auto found = findAnyCase(path.parent_path(), path.filename().string());
    if (!found) throw DbError(DbError::Kind::NotFound, "Table not found: " + requested.string());
    path = *found;
  }
  paths_[kDbFile] = path;
  journalPath_ = path.string() + "-journal";
  files_[kDbFile] = File(path, options.writable);
  if (options.writable && !files_[kDbFile].tryLock())
    throw DbError(DbError::Kind::Busy, "Table is busy: " + path.filename().string());
  bool exists = false;
  paths_[kPxFile] = companionPath(path, ".PX", &exists);
  if (exists) files_[kPxFile] = File(paths_[kPxFile], options.writable);
  paths_[kMbFile] = companionPath(path, ".MB", &exists);
  if (exists) files_[kMbFile] = File(paths_[kMbFile], options.writable);
  recoverPendingChange();
}

FileSet::~FileSet() {
  // An empty journal only says that nothing is pending; it goes with us.
  if (journal_.isOpen()) {
    try {
      if (journal_.size() == 0) std::filesystem::remove(journalPath_);
    } catch (...) {
    }
  }
}

std::array<File*, kFileCount> FileSet::openFiles() {
  std::array<File*, kFileCount> out{};
  for (std::size_t i = 0; i < kFileCount; ++i) out[i] = files_[i].isOpen() ? &files_[i] : nullptr;
  return out;
}

void FileSet::recoverPendingChange() {
  const auto image = readJournal(journalPath_);
  if (!image) {
    std::error_code ec;
    if (options_.writable) std::filesystem::remove(journalPath_, ec);
    return;
  }
  if (options_.writable) {
    rollBack(journalPath_, *image, openFiles());
    return;
  }
  // A reader puts the old state back when nobody is writing and it may;
  // otherwise it reads through the journal's before-image.
  try {
    File db(paths_[kDbFile], true);
    if (db.tryLock()) {
      std::optional<File> px, mb;
      if (isOpen(kPxFile)) px.emplace(paths_[kPxFile], true);
      if (isOpen(kMbFile)) mb.emplace(paths_[kMbFile], true);
      rollBack(journalPath_, *image, {&db, px ? &*px : nullptr, mb ? &*mb : nullptr});
      return;
    }
  } catch (const DbError&) {
  }
  overlay_ = image;
}

std::uint64_t FileSet::size(std::size_t file) const {
  if (!isOpen(file)) return 0;
  if (overlay_ && overlay_->sizes[file]) return *overlay_->sizes[file];
  return files_[file].size();
}

std::size_t FileSet::read(std::size_t file, std::uint64_t offset, std::uint8_t* out,
                          std::size_t n) const {
  if (!isOpen(file)) return 0;
  std::size_t got = files_[file].readAt(offset, out, n);
  if (!overlay_) return got;
  if (const auto& size = overlay_->sizes[file])
    got = offset >= *size ? 0 : std::min<std::uint64_t>(n, *size - offset);
  for (const auto& r : overlay_->regions) {
    if (r.file != file) continue;
    const auto lo = std::max(offset, r.offset);
    const auto hi = std::min(offset + n, r.offset + r.data.size());
    if (lo < hi) std::memcpy(out + (lo - offset), r.data.data() + (lo - r.offset), hi - lo);
  }
  return got;
}

void FileSet::create(std::size_t file, const Bytes& content) {
  const auto& path = paths_[file];
  if (!content.empty()) {
    {
      File f(path, true, true);
      f.writeAt(0, content.data(), content.size());
      if (options_.sync) f.sync();
    }
    if (options_.sync) syncDirectory(path.parent_path());
  } else {
    const File created(path, true, true);
  }
  files_[file] = File(path, true);
}

void FileSet::commit(std::vector<PendingWrite> writes,
                     const std::array<std::optional<std::uint64_t>, kFileCount>& sizes) {
  CommitOptions co;
  co.sync = options_.sync;
  co.hook = options_.commitHook;
  if (!journal_.isOpen()) {
    journal_ = File(journalPath_, true, true);
    if (options_.sync) syncDirectory(journalPath_.parent_path());
  }
  commitWrites(journal_, openFiles(), std::move(writes), sizes, co);
}

}  // namespace torvelle::format

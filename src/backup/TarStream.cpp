#include "backup/TarStream.h"

#include <archive.h>
#include <archive_entry.h>

#include <memory>

#include "backup/BackupError.h"

namespace torvelle::backup {
namespace {

using ArchivePtr = std::unique_ptr<archive, int (*)(archive*)>;
using EntryPtr = std::unique_ptr<archive_entry, void (*)(archive_entry*)>;

[[noreturn]] void damaged(archive* a) {
  const char* why = a ? archive_error_string(a) : nullptr;
  throw BackupError(BackupError::Kind::Damaged,
                    std::string("The backup is damaged or not a backup") +
                        (why ? std::string(": ") + why : std::string()));
}

la_ssize_t collect(archive*, void* sink, const void* buffer, std::size_t size) {
  static_cast<std::string*>(sink)->append(static_cast<const char*>(buffer), size);
  return static_cast<la_ssize_t>(size);
}

}  // namespace

std::string writeTar(const std::vector<ArchiveEntry>& entries, long long mtime) {
  std::string out;
  ArchivePtr a(archive_write_new(), archive_write_free);
  if (!a || archive_write_set_format_ustar(a.get()) != ARCHIVE_OK ||
      archive_write_set_bytes_in_last_block(a.get(), 1) != ARCHIVE_OK ||
      archive_write_open(a.get(), &out, nullptr, collect, nullptr) != ARCHIVE_OK)
    throw BackupError(BackupError::Kind::Write, "Cannot start the backup archive");
  for (const auto& e : entries) {
    EntryPtr entry(archive_entry_new(), archive_entry_free);
    archive_entry_set_pathname(entry.get(), e.name.c_str());
    archive_entry_set_size(entry.get(), static_cast<la_int64_t>(e.data.size()));
    archive_entry_set_filetype(entry.get(), AE_IFREG);
    archive_entry_set_perm(entry.get(), 0600);
    archive_entry_set_mtime(entry.get(), static_cast<time_t>(mtime), 0);
    if (archive_write_header(a.get(), entry.get()) != ARCHIVE_OK ||
        archive_write_data(a.get(), e.data.data(), e.data.size()) !=
            static_cast<la_ssize_t>(e.data.size()))
      throw BackupError(BackupError::Kind::Write,
                        std::string("Cannot add ") + e.name + " to the backup archive");
  }
  if (archive_write_close(a.get()) != ARCHIVE_OK)
    throw BackupError(BackupError::Kind::Write, "Cannot finish the backup archive");
  return out;
}

std::vector<ArchiveEntry> readTar(std::string_view tar) {
  ArchivePtr a(archive_read_new(), archive_read_free);
  if (!a || archive_read_support_format_tar(a.get()) != ARCHIVE_OK ||
      archive_read_open_memory(a.get(), tar.data(), tar.size()) != ARCHIVE_OK)
    damaged(a.get());
  std::vector<ArchiveEntry> entries;
  archive_entry* entry = nullptr;
  for (;;) {
    const int rc = archive_read_next_header(a.get(), &entry);
    if (rc == ARCHIVE_EOF) break;
    if (rc != ARCHIVE_OK) damaged(a.get());
    if (archive_entry_filetype(entry) != AE_IFREG) damaged(nullptr);
    ArchiveEntry e;
    e.name = archive_entry_pathname(entry);
    const la_int64_t size = archive_entry_size(entry);
    if (size < 0 || static_cast<std::size_t>(size) > tar.size()) damaged(nullptr);
    e.data.resize(static_cast<std::size_t>(size));
    if (size > 0 && archive_read_data(a.get(), e.data.data(), e.data.size()) != size)
      damaged(a.get());
    entries.push_back(std::move(e));
  }
  return entries;
}

}  // namespace torvelle::backup

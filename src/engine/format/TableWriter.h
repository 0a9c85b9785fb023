#pragma once
#include <cstdint>
#include <filesystem>
#include <utility>
#include <vector>

#include "engine/format/Bytes.h"
#include "engine/format/Header.h"

namespace torvelle::format {

// A whole table to be written anew (create, pack, new password).
struct FreshTable {
  DbHeader header;             // layout; the writer sets counts and the check value
  std::vector<Bytes> records;  // in chain order (keyed tables: in key order)
  // Per record, the blob fields whose value goes to the memo file, with the
  // bytes stored there.
  std::vector<std::vector<std::pair<int, Bytes>>> blobs;
  Bytes mbHeader;  // first page of the old memo file (plain), or empty
  std::uint32_t checkValue = 0;
  std::size_t pxBlockSize = 2048;
};

struct TablePaths {
  std::filesystem::path db, px, mb;
};

// Writes the files under temporary names, flushes them and records the
// renames that put them into place; finishReplace then makes them, as one
// step that survives a crash. Companions the new table does not need are
// removed in the same step. The caller closes the old files in between:
// Windows renames nothing over a file that is open.
void stageFreshTable(const TablePaths& paths, FreshTable table, bool sync);

// The header block of an empty memo file.
Bytes freshMbHeader();

// Completes or abandons a replacement a crash interrupted: called before a
// table is opened.
void finishReplace(const std::filesystem::path& dbPath);

}  // namespace torvelle::format

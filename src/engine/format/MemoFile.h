#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "engine/format/Bytes.h"
#include "engine/format/FileSet.h"
#include "engine/format/Journal.h"
#include "engine/format/MemoAllocator.h"
#include "engine/format/Value.h"

namespace torvelle::format {

// The memo file (.MB): the values of blob fields too long for their record.
// Reads a value from the reference in the record, checking it against the
// file; stores and frees values through its allocator, which keeps the
// changed pages until the table commits them.
class MemoFile {
 public:
  explicit MemoFile(FileSet& files);
  MemoFile(const MemoFile&) = delete;
  MemoFile& operator=(const MemoFile&) = delete;

  // After the table's header is read, with its block key (0 = plain).
  // Forgets staged pages.
  void open(std::uint32_t tableKey);
  bool exists() const { return files_.isOpen(kMbFile); }
  std::uint64_t size() const { return files_.size(kMbFile); }
  // The file's first block; empty when there is none.
  Bytes headerPage() const;

  // The bytes of the value the field bytes `data` refer to, from the
  // record's leader or the memo file. `stored` keeps a graphic's own
  // header; `verifyOnly` checks the reference and returns nothing.
  Bytes value(const FieldDef& field, const std::uint8_t* data, bool stored,
              bool verifyOnly = false) const;

  // What a value of a blob field is stored as; `codePage` is the table's.
  static Bytes payload(const FieldDef& field, const Value& value, int codePage);
  // See MemoAllocator.
  void store(const FieldDef& field, const Bytes& stored, std::uint8_t* data) {
    allocator_.store(field, stored, data);
  }
  void release(const FieldDef& field, const std::uint8_t* data) { allocator_.release(field, data); }
  // Adds the writes of the staged pages and the file size they leave.
  void stage(std::vector<PendingWrite>& writes, std::optional<std::uint64_t>& size);
  // The staged pages are written (or given up).
  void dropStaged() { allocator_.staged().clear(); }

 private:
  Bytes read(std::uint64_t offset, std::size_t n) const;
  Bytes bigValue(const FieldDef& field, std::uint64_t offset, std::uint32_t length, bool shown,
                 bool verifyOnly) const;
  Bytes subValue(const FieldDef& field, std::uint64_t entryOffset, std::uint32_t length,
                 bool verifyOnly) const;
  void create();

  FileSet& files_;
  std::uint32_t tableKey_ = 0;  // what a new memo file is encrypted with
  std::uint32_t key_ = 0;       // what this one is encrypted with
  MemoAllocator allocator_;
};

}  // namespace torvelle::format

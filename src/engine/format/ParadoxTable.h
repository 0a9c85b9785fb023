#pragma once
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/format/BlockTree.h"
#include "engine/format/Bytes.h"
#include "engine/format/DataFile.h"
#include "engine/format/FileSet.h"
#include "engine/format/Header.h"
#include "engine/format/IndexFile.h"
#include "engine/format/KeyOrder.h"
#include "engine/format/MemoFile.h"
#include "engine/format/TableFile.h"

namespace torvelle::format {

// The table behind TableFile: the .DB with its .PX and .MB.
//
// Reading walks the block chain once at open and keeps per block its record
// count and first key (BlockTree); records are read block by block on
// demand. A change edits copies of the few blocks it touches (data blocks,
// index blocks on the path to the root, memo pages) and hands them to
// commitWrites, which journals the old bytes first. So a change costs the
// same at any table size.
//
// This class keeps records in key order across the data blocks and the
// tree; the files' own layouts are DataFile's, IndexFile's and MemoFile's,
// and FileSet holds the files and their journal.
class ParadoxTable final : public TableFile {
 public:
  ParadoxTable(const std::filesystem::path& dbPath, const OpenOptions& options);
  ~ParadoxTable() override;
  ParadoxTable(const ParadoxTable&) = delete;
  ParadoxTable& operator=(const ParadoxTable&) = delete;

  const TableInfo& info() const override { return info_; }
  std::size_t recordCount() const override { return static_cast<std::size_t>(tree_.total()); }
  Record read(std::size_t ordinal) const override;
  std::vector<Record> readAll() const override;
  std::string readRaw(std::size_t ordinal) const override;
  std::size_t insert(const Record& record) override;
  std::size_t update(std::size_t ordinal, const FieldChanges& changes) override;
  void remove(std::size_t ordinal) override;
  void batch(const std::function<void()>& work) override;
  std::vector<std::size_t> updateMany(const std::vector<std::size_t>& ordinals,
                                      const FieldChanges& changes) override;
  void removeMany(std::vector<std::size_t> ordinals) override;
  std::pair<std::size_t, std::size_t> keyRange(const Record& key) const override;

  // What the consistency check reports.
  std::vector<std::string> problems() const;
  // Which key order the records are stored in, in words.
  std::string keyOrderNote() const;

  // For restructuring: every record's bytes in order, and the stored bytes
  // of a blob field of a record (empty when it is inline or null).
  const DbHeader& header() const { return hdr_; }
  std::vector<Bytes> rawRecords() const;
  Bytes storedBlob(const Bytes& record, int field) const;
  const std::filesystem::path& dbPath() const { return files_.path(kDbFile); }
  std::filesystem::path pxPath() const { return files_.path(kPxFile); }
  std::filesystem::path mbPath() const { return files_.path(kMbFile); }
  bool hasMbFile() const { return memo_.exists(); }
  Bytes mbHeaderPage() const;
  std::size_t pxBlockSize() const;

 private:
  void load();
  void readTextAs(int codePage);
  void unlockPassword();
  using Report = std::function<void(const std::string&)>;
  struct ChainWalk;
  void checkBlock(const BlockTree::Entry& e, ChainWalk& walk, const Report& report) const;
  void checkBlobs(const std::uint8_t* rec, std::uint64_t ordinal, const Report& report) const;
  void checkFreeList(const std::vector<bool>& inChain, const Report& report) const;
  // Which order the stored keys follow: the one the sort order calls for,
  // byte order (as earlier builds wrote every table), or neither.
  enum class StoredOrder { Declared, Bytes, Neither };
  class OrderProbe;
  StoredOrder storedOrder() const;
  void settleKeyOrder() const;
  void applyStoredOrder(StoredOrder found) const;
  void sortRecordsByKey();

  // `budget`, when given, is what is left of the memo file for the values
  // read so far.
  Record decodeRecord(const std::uint8_t* rec, std::uint64_t* budget = nullptr) const;
  Value readBlob(const FieldDef& field, const std::uint8_t* data, std::uint64_t* budget) const;

  // Changes, staged in memory until commit().
  void requireWritable() const;
  // Field `field` of a change; throws for one the table lacks.
  std::size_t fieldIndex(int field) const;
  void raiseAutoIncrement(const FieldDef& field, const std::uint8_t* stored,
                          std::uint32_t& autoInc) const;
  Bytes encodeRecord(const Record& record, std::vector<std::optional<Bytes>>& blobs,
                     std::uint32_t& autoInc) const;
  // Returns the ordinal the record got.
  std::size_t insertRecord(const Bytes& rec);
  std::size_t splitInsert(const BlockTree::Pos& pos, std::size_t index, const Bytes& rec);
  void removeRecord(const BlockTree::Pos& pos, std::size_t index);
  // The key bytes of a record; empty for a table without a key.
  std::string keyOf(const std::uint8_t* rec) const;
  bool findInBlock(const Bytes& block, std::size_t count, const std::uint8_t* key,
                   std::size_t& index) const;
  std::size_t ordinalOfKey(const Bytes& rec) const;
  std::size_t keyBound(const Bytes& prefix, bool upper) const;
  bool keyDiffers(const Bytes& a, const Bytes& b) const;
  Bytes changedRecord(const Bytes& old, const FieldChanges& changes,
                      std::vector<std::pair<int, Bytes>>& blobs, std::uint32_t& autoInc) const;
  void replaceBlobs(const std::vector<std::pair<int, Bytes>>& blobs, const Bytes& old, Bytes& rec);
  bool keyExists(const Bytes& rec) const;
  void compactAfterGrowth(BlockNo blocksBefore);

  void change(const std::function<void()>& stage);
  void commit();
  void discard();

  OpenOptions options_;
  FileSet files_;
  DbHeader hdr_;
  int textPage_ = 0;  // the code page text is read in: the header's unless told
  TableInfo info_;
  std::uint32_t key_ = 0;  // block encryption key, 0 = plain
  DataFile data_;
  BlockTree tree_;
  IndexFile index_;
  MemoFile memo_;
  // How the stored keys compare: as declared, or bytes for an old table
  // opened read only; known once a full read or the first search found it
  // (at once when open for writing).
  mutable KeyOrder keyOrder_;
  mutable bool orderKnown_ = true;

  // Staged change.
  int batchDepth_ = 0;
  bool batchStaged_ = false;  // something waits for the batch's commit
  bool batchFailed_ = false;  // a change of the batch failed half staged
};

}  // namespace torvelle::format

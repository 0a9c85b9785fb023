#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/format/Bytes.h"
#include "engine/format/Value.h"

namespace torvelle::format {

// Offsets in the fixed part of every Paradox file header.
namespace hdr {
constexpr std::size_t kRecordSize = 0x00, kHeaderSize = 0x02, kFileType = 0x04, kBlockCode = 0x05,
                      kNumRecords = 0x06, kUsedBlocks = 0x0A, kFileBlocks = 0x0C,
                      kFirstBlock = 0x0E, kLastBlock = 0x10, kIndexRoot = 0x1E, kIndexLevels = 0x20,
                      kNumFields = 0x21, kKeyFields = 0x23, kEncryption1 = 0x25, kSortOrder = 0x29,
                      kIndexSync = 0x2C, kChangeCount1 = 0x2D, kChangeCount2 = 0x2E,
                      kVersion = 0x39, kMaxBlocks = 0x3A, kPlainMarker = 0x3E, kAutoInc = 0x49,
                      kFirstFree = 0x4D, kUsedHeaderSize = 0x51, kDataHeaderMark = 0x56,
                      kEncryption2 = 0x5C, kUpdateTime = 0x60, kCodePage = 0x6A;
// The data header of level 4 and later tables, and the variable part after it.
constexpr std::size_t kDataHeader = 0x58, kVersionWord1 = 0x58, kVersionWord2 = 0x5A,
                      kHighFieldId = 0x64, kFieldNumbersAt = 0x66, kDataHeaderFlags = 0x6C,
                      kSortNameAt = 0x6E, kVariablePart = 0x78;
// The key field list of an index header.
constexpr std::size_t kIndexFieldInfo = 0x58;
constexpr std::uint32_t kEncryptedElsewhere = 0xFF00FF00;
}  // namespace hdr

// Blocks of a table or index file are numbered from 1 in 16-bit words; 0
// stands for none.
using BlockNo = std::uint32_t;

// The parsed header of a .DB file. `raw` holds all of its bytes so that a
// rewrite keeps what we do not interpret; the setters patch it.
struct DbHeader {
  Bytes raw;
  std::size_t recordSize = 0;
  std::size_t headerSize = 0;
  int fileType = 0;
  std::size_t blockSize = 0;
  int versionId = 0;
  int level = 0;  // 30, 35, 40, 50, 70
  std::uint32_t checkValue = 0;
  int sortOrder = 0;
  int codePage = 0;      // of the text; derived from the sort order where the header has none
  std::string sortName;  // "ancyrr", "ANSIINTL", ...; empty where the header has none
  std::size_t keyFields = 0;
  std::vector<FieldDef> fields;
  std::vector<std::size_t> offsets;   // of each field in a record
  std::vector<std::string> rawNames;  // field names in the table's code page

  std::uint32_t numRecords() const { return getU32(&raw[hdr::kNumRecords]); }
  BlockNo usedBlocks() const { return getU16(&raw[hdr::kUsedBlocks]); }
  BlockNo fileBlocks() const { return getU16(&raw[hdr::kFileBlocks]); }
  BlockNo firstBlock() const { return getU16(&raw[hdr::kFirstBlock]); }
  BlockNo lastBlock() const { return getU16(&raw[hdr::kLastBlock]); }
  BlockNo firstFree() const { return getU16(&raw[hdr::kFirstFree]); }
  std::uint32_t autoIncrement() const { return getU32(&raw[hdr::kAutoInc]); }
  // Where field `field` ends in a record; the bytes it takes (a decimal's
  // size byte counts its fraction digits, not its bytes); the key's bytes.
  std::size_t endOf(std::size_t field) const {
    return field + 1 < offsets.size() ? offsets[field + 1] : recordSize;
  }
  std::size_t fieldBytes(std::size_t field) const { return endOf(field) - offsets[field]; }
  std::size_t keySize() const { return keyFields == 0 ? 0 : endOf(keyFields - 1); }
  bool hasDataHeader() const { return versionId >= 5; }

  // The counts are stored in 32 and 16 bits.
  void setNumRecords(std::uint64_t n) { putU32(&raw[hdr::kNumRecords], n); }
  void setBlocks(std::size_t used, BlockNo file, BlockNo first, BlockNo last);
  void setFirstFree(BlockNo block) { putU16(&raw[hdr::kFirstFree], block); }
  void setAutoIncrement(std::uint32_t v) { putU32(&raw[hdr::kAutoInc], v); }
  void setCheckValue(std::uint32_t v);
  void touch();  // the update time of level 4 and later headers
  // The part of the header that changes as records change.
  std::size_t mutablePrefix() const {
    return hasDataHeader() ? hdr::kVariablePart : hdr::kDataHeader;
  }
};

// Data and index blocks start with the same six bytes: the next and previous
// block numbers and the offset of the last record, -recordSize when empty.
// The records (or index entries) follow, packed.
namespace blockhead {
constexpr std::size_t kNext = 0, kPrev = 2, kLastOffset = 4, kSize = 6;
}  // namespace blockhead

inline std::size_t blockCount(const Bytes& block, std::size_t recordSize) {
  const std::uint16_t last = getU16(&block[blockhead::kLastOffset]);
  return last >= 0x8000 ? 0 : last / recordSize + 1;
}
inline void setBlockCount(Bytes& block, std::size_t count, std::size_t recordSize) {
  // For an empty block the product wraps to the 16 bits of -recordSize.
  putU16(&block[blockhead::kLastOffset], static_cast<std::uint16_t>((count - 1) * recordSize));
}
// Records (or index entries) per block of `blockSize` bytes.
constexpr std::size_t recordsPerBlock(std::size_t blockSize, std::size_t recordSize) {
  return (blockSize - blockhead::kSize) / recordSize;
}

// Throws DbError Corrupt: "Table is corrupt: " and `what`.
[[noreturn]] void corrupt(const std::string& what);

// Where block `block` (numbered from 1) starts in a file of equal blocks
// after its header.
inline std::uint64_t blockOffset(std::size_t headerSize, std::size_t blockSize, BlockNo block) {
  return headerSize + (std::uint64_t{block} - 1) * blockSize;
}
// How many blocks a file of `size` bytes holds, the last one perhaps cut
// short; block numbers are 16-bit.
inline BlockNo blocksIn(std::uint64_t size, std::size_t headerSize, std::size_t blockSize) {
  const auto blocks = (size - headerSize + blockSize - 1) / blockSize;
  return static_cast<BlockNo>(std::min<std::uint64_t>(65535, blocks));
}

// Throws DbError NotParadox or Corrupt. `bytes` are the first bytes of the
// file (at least the whole header when the file has it).
DbHeader parseDbHeader(const Bytes& bytes, std::uint64_t fileSize);
// How many bytes of the file parseDbHeader needs: the header size when the
// fixed part is readable.
std::size_t headerBytesNeeded(const Bytes& first);

// A sort order as a header names it: its byte and its name.
struct SortOrder {
  int byte = 0;
  std::string name;
};

// A new level-7 header with no records. Field names are converted to the
// code page; the sort order is the one sortOrderFor gives the code page
// unless `sort` names another. Throws DbError InvalidValue for an impossible
// layout.
DbHeader makeDbHeader(const std::vector<FieldDef>& fields, int keyFields, int codePage,
                      const std::string& tableName, const SortOrder* sort = nullptr);

// Sort-order byte and name that go with a code page we write.
void sortOrderFor(int codePage, int& sortByte, std::string& sortName);

struct PxHeader {
  Bytes raw;
  std::size_t recordSize = 0;
  std::size_t headerSize = 0;
  std::size_t blockSize = 0;
  std::size_t keyFields = 0;
  std::vector<std::pair<int, int>> keyTypes;  // type code, size byte
  std::uint32_t checkValue = 0;
  BlockNo fileBlocks() const { return getU16(&raw[hdr::kFileBlocks]); }
  BlockNo root() const { return getU16(&raw[hdr::kIndexRoot]); }
  int levels() const { return raw[hdr::kIndexLevels]; }
  void setShape(std::uint32_t entries, BlockNo blocks, BlockNo first, BlockNo last, BlockNo root,
                int levels);
};

// Throws DbError Corrupt with `what` naming the index.
PxHeader parsePxHeader(const Bytes& bytes, std::uint64_t fileSize);
PxHeader makePxHeader(const DbHeader& db, std::size_t blockSize);

// An index entry: the key, then the child block, the record count and a
// zero word.
constexpr std::size_t indexEntrySize(std::size_t keySize) {
  return keySize + 6;
}
// The index block size we write for a key of `keySize` bytes: room for 64
// entries where that fits.
constexpr std::size_t pxBlockSizeFor(std::size_t keySize) {
  return blockhead::kSize + indexEntrySize(keySize) * 64 <= 2048 ? 2048 : 4096;
}

}  // namespace torvelle::format

#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "engine/format/Bytes.h"
#include "engine/format/Value.h"

namespace torvelle::format {

// Offsets in the fixed part of every Paradox file header.
namespace hdr {
constexpr int kRecordSize = 0x00, kHeaderSize = 0x02, kFileType = 0x04, kBlockCode = 0x05,
              kNumRecords = 0x06, kUsedBlocks = 0x0A, kFileBlocks = 0x0C, kFirstBlock = 0x0E,
              kLastBlock = 0x10, kIndexRoot = 0x1E, kIndexLevels = 0x20, kNumFields = 0x21,
              kKeyFields = 0x23, kEncryption1 = 0x25, kSortOrder = 0x29, kChangeCount1 = 0x2D,
              kVersion = 0x39, kMaxBlocks = 0x3A, kPlainMarker = 0x3E, kAutoInc = 0x49,
              kFirstFree = 0x4D, kEncryption2 = 0x5C, kUpdateTime = 0x60, kCodePage = 0x6A;
constexpr std::uint32_t kEncryptedElsewhere = 0xFF00FF00;
}  // namespace hdr

// The parsed header of a .DB file. `raw` holds all of its bytes so that a
// rewrite keeps what we do not interpret; the setters patch it.
struct DbHeader {
  Bytes raw;
  int recordSize = 0;
  int headerSize = 0;
  int fileType = 0;
  int blockSize = 0;
  int versionId = 0;
  int level = 0;  // 30, 35, 40, 50, 70
  std::uint32_t checkValue = 0;
  int sortOrder = 0;
  int codePage = 0;  // of the text; derived from the sort order where the header has none
  int keyFields = 0;
  std::vector<FieldDef> fields;
  std::vector<int> offsets;           // of each field in a record
  std::vector<std::string> rawNames;  // field names in the table's code page

  std::uint32_t numRecords() const { return getU32(&raw[hdr::kNumRecords]); }
  int usedBlocks() const { return getU16(&raw[hdr::kUsedBlocks]); }
  int fileBlocks() const { return getU16(&raw[hdr::kFileBlocks]); }
  int firstBlock() const { return getU16(&raw[hdr::kFirstBlock]); }
  int lastBlock() const { return getU16(&raw[hdr::kLastBlock]); }
  int firstFree() const { return getU16(&raw[hdr::kFirstFree]); }
  std::uint32_t autoIncrement() const { return getU32(&raw[hdr::kAutoInc]); }
  int keySize() const;
  bool hasDataHeader() const { return versionId >= 5; }

  void setNumRecords(std::uint32_t n) { putU32(&raw[hdr::kNumRecords], n); }
  void setBlocks(int used, int file, int first, int last);
  void setFirstFree(int block) { putU16(&raw[hdr::kFirstFree], static_cast<std::uint32_t>(block)); }
  void setAutoIncrement(std::uint32_t v) { putU32(&raw[hdr::kAutoInc], v); }
  void setCheckValue(std::uint32_t v);
  void touch();  // the update time of level 4 and later headers
  // The part of the header that changes as records change.
  std::size_t mutablePrefix() const { return hasDataHeader() ? 0x78 : 0x58; }
};

// Throws DbError NotParadox or Corrupt. `bytes` are the first bytes of the
// file (at least the whole header when the file has it).
DbHeader parseDbHeader(const Bytes& bytes, std::uint64_t fileSize);
// How many bytes of the file parseDbHeader needs: the header size when the
// fixed part is readable.
std::size_t headerBytesNeeded(const Bytes& first);

// A new level-7 header with no records. Field names are converted to the
// code page; throws DbError InvalidValue for an impossible layout.
DbHeader makeDbHeader(const std::vector<FieldDef>& fields, int keyFields, int codePage,
                      const std::string& tableName);

// Sort-order byte and name that go with a code page we write.
void sortOrderFor(int codePage, int& sortByte, std::string& sortName);

struct PxHeader {
  Bytes raw;
  int recordSize = 0;
  int headerSize = 0;
  int blockSize = 0;
  int keyFields = 0;
  std::vector<std::pair<int, int>> keyTypes;  // type code, size byte
  std::uint32_t checkValue = 0;
  int fileBlocks() const { return getU16(&raw[hdr::kFileBlocks]); }
  int root() const { return getU16(&raw[hdr::kIndexRoot]); }
  int levels() const { return raw[hdr::kIndexLevels]; }
  void setShape(std::uint32_t entries, int blocks, int first, int last, int root, int levels);
};

// Throws DbError Corrupt with `what` naming the index.
PxHeader parsePxHeader(const Bytes& bytes, std::uint64_t fileSize);
PxHeader makePxHeader(const DbHeader& db, int blockSize);

}  // namespace torvelle::format

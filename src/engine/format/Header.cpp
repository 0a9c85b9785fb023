#include "engine/format/Header.h"

#include <algorithm>
#include <ctime>

#include "engine/DbError.h"
#include "engine/format/FieldCodec.h"
#include "engine/format/FieldTypes.h"
#include "support/AsciiText.h"

namespace torvelle::format {

using engine::DbError;

void corrupt(const std::string& what) {
  throw DbError(DbError::Kind::Corrupt, "Table is corrupt: " + what);
}

namespace {

[[noreturn]] void notParadox() {
  throw DbError(DbError::Kind::NotParadox, "Not a Paradox table");
}

int levelOf(int versionId) {
  if (versionId == 3) return 30;
  if (versionId == 4) return 35;
  if (versionId <= 9) return 40;
  if (versionId <= 11) return 50;
  return 70;
}

// Code page of a table whose header names none, from its sort order.
int codePageOfSortOrder(int sortOrder, bool dosEra) {
  switch (sortOrder) {
    case 0x00:
    case 0xB7:
    case 0xF0:
      return 437;
    case 0x03:
      return 936;
    case 0x11:
    case 0x40:
    case 0x4C:
    case 0x5D:
    case 0x62:
      return 1252;
    case 0x54:
      return 850;
    case 0x82:
      return 865;
    case 0x8F:
      return 1251;
    case 0xC0:
      return 866;
    case 0xE6:
      return 865;
    default:
      return dosEra ? 437 : 1252;
  }
}

std::size_t tableNameArea(int versionId) {
  return versionId >= 12 ? 261 : 79;
}

// Sizes and counts go back into 16-bit header words; the layout checks
// keep them in range.
void putSize16(std::uint8_t* p, std::size_t v) {
  putU16(p, v);
}

// The field descriptors at `base`, with each field's offset in a record.
void parseFields(DbHeader& h, const std::uint8_t* p, std::size_t base, std::size_t n) {
  std::size_t offset = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint8_t type = p[base + 2 * i];
    if (!codec::isKnownType(type))
      corrupt("field " + std::to_string(i + 1) + " has an unknown type");
    FieldDef f;
    f.type = static_cast<FieldType>(type);
    f.size = p[base + 2 * i + 1];
    const int storage = codec::storageSize(f.type, f.size);
    if (storage <= 0) corrupt("field " + std::to_string(i + 1) + " has size 0");
    if (codec::isBlob(f.type) && f.size < 10) corrupt("a blob field is shorter than 10 bytes");
    if (f.type == FieldType::Bcd && f.size > 32) corrupt("a BCD field has more than 32 decimals");
    h.offsets.push_back(offset);
    offset += static_cast<std::size_t>(storage);
    h.fields.push_back(std::move(f));
  }
  if (offset != h.recordSize) corrupt("the field sizes do not add up to the record size");
}

// Field names follow the field info, the pointers and the table name area.
void parseFieldNames(DbHeader& h, const std::uint8_t* p, std::size_t base) {
  const std::size_t n = h.fields.size();
  std::size_t pos = base + 6 * n + 4 + tableNameArea(h.versionId);
  for (auto& field : h.fields) {
    const auto* start = p + pos;
    std::size_t len = 0;
    while (pos + len < h.headerSize && start[len] != 0) ++len;
    if (pos + len >= h.headerSize) corrupt("the field names run past the header");
    h.rawNames.emplace_back(reinterpret_cast<const char*>(start), len);
    field.name = codec::fromTableText(h.rawNames.back(), h.codePage);
    pos += len + 1;
  }
}

// The sort order's name, where the header holds one: a NUL-terminated text
// at the offset the data header gives.
std::string sortNameOf(const DbHeader& h) {
  if (!h.hasDataHeader()) return {};
  const std::size_t at = hdr::kDataHeader + getU16(&h.raw[hdr::kSortNameAt]);
  std::string name;
  for (std::size_t i = at; i < h.headerSize && i < at + 8 && h.raw[i] != 0; ++i)
    name += static_cast<char>(h.raw[i]);
  return name;
}

}  // namespace

void DbHeader::setBlocks(std::size_t used, BlockNo file, BlockNo first, BlockNo last) {
  putU16(&raw[hdr::kUsedBlocks], used);
  putU16(&raw[hdr::kFileBlocks], file);
  putU16(&raw[hdr::kFirstBlock], first);
  putU16(&raw[hdr::kLastBlock], last);
  putU16(&raw[hdr::kMaxBlocks], file);
}

void DbHeader::setCheckValue(std::uint32_t v) {
  checkValue = v;
  if (hasDataHeader()) {
    putU32(&raw[hdr::kEncryption1], hdr::kEncryptedElsewhere);
    putU32(&raw[hdr::kEncryption2], v);
  } else {
    putU32(&raw[hdr::kEncryption1], v);
  }
  // Plain tables carry 1F 0F here, protected ones 00 00.
  raw[hdr::kPlainMarker] = v ? 0x00 : 0x1F;
  raw[hdr::kPlainMarker + 1] = v ? 0x00 : 0x0F;
}

void DbHeader::touch() {
  if (hasDataHeader()) putU32(&raw[hdr::kUpdateTime], std::time(nullptr));
}

std::size_t headerBytesNeeded(const Bytes& first) {
  if (first.size() < hdr::kDataHeader) return hdr::kDataHeader;
  return std::max<std::size_t>(hdr::kDataHeader, getU16(&first[hdr::kHeaderSize]));
}

DbHeader parseDbHeader(const Bytes& bytes, std::uint64_t fileSize) {
  if (fileSize < hdr::kDataHeader || bytes.size() < hdr::kDataHeader) notParadox();
  DbHeader h;
  const std::uint8_t* p = bytes.data();
  h.recordSize = getU16(p + hdr::kRecordSize);
  h.headerSize = getU16(p + hdr::kHeaderSize);
  h.fileType = p[hdr::kFileType];
  const std::size_t code = p[hdr::kBlockCode];
  h.versionId = p[hdr::kVersion];
  if ((h.fileType != 0 && h.fileType != 2) || code == 0 || code > 32 || h.versionId < 3 ||
      h.versionId > 12 || h.recordSize == 0)
    notParadox();
  h.level = levelOf(h.versionId);
  h.blockSize = code * 1024;
  const std::size_t base = h.mutablePrefix();
  if (h.headerSize < base) corrupt("the header is too short");
  if (h.headerSize > fileSize || bytes.size() < h.headerSize)
    corrupt("the file ends inside its header");
  h.raw.assign(p, p + h.headerSize);
  const std::size_t n = getU16(p + hdr::kNumFields);
  if (n == 0 || n > 255) corrupt("it has " + std::to_string(n) + " fields");
  if (h.recordSize > h.blockSize - blockhead::kSize) corrupt("records are larger than its blocks");
  if (base + 2 * n > h.headerSize) corrupt("the field list runs past the header");
  parseFields(h, p, base, n);
  h.keyFields = h.fileType == 0 ? getU16(p + hdr::kKeyFields) : 0;
  if (h.keyFields > n) corrupt("more key fields than fields");
  for (std::size_t i = 0; i < h.keyFields; ++i)
    if (codec::isBlob(h.fields[i].type)) corrupt("a blob field is a key");
  h.checkValue = getU32(p + hdr::kEncryption1);
  if (h.checkValue == hdr::kEncryptedElsewhere && h.hasDataHeader())
    h.checkValue = getU32(p + hdr::kEncryption2);
  h.sortOrder = p[hdr::kSortOrder];
  h.codePage = h.hasDataHeader() ? getU16(p + hdr::kCodePage) : 0;
  if (h.codePage == 0) h.codePage = codePageOfSortOrder(h.sortOrder, !h.hasDataHeader());
  parseFieldNames(h, p, base);
  h.sortName = sortNameOf(h);
  if (h.fileBlocks() < h.usedBlocks()) corrupt("more blocks in use than in the file");
  return h;
}

void sortOrderFor(int codePage, int& sortByte, std::string& sortName) {
  switch (codePage) {
    case 1251:
      sortByte = 0x8F;
      sortName = "ancyrr";
      return;
    case 866:
      sortByte = 0xC0;
      sortName = "cyrr";
      return;
    // The Windows pages of Western, Central European, Greek and Turkish
    // text take the sort orders Paradox for Windows gave them; Baltic text
    // has none of its own and keeps byte order.
    case 1252:
      sortByte = 0x62;
      sortName = "ANSIINTL";
      return;
    case 1250:
      sortByte = 0xDC;
      sortName = "anczech";
      return;
    case 1253:
      sortByte = 0x0E;
      sortName = "angreek1";
      return;
    case 1254:
      sortByte = 0xD5;
      sortName = "ANTURK";
      return;
    case 850:
      sortByte = 0x54;
      sortName = "intl850";
      return;
    case 865:
      sortByte = 0x82;
      sortName = "nordan";
      return;
    default:
      sortByte = 0x00;
      sortName = "ascii";
      return;
  }
}

namespace {

[[noreturn]] void invalid(const std::string& what) {
  throw DbError(DbError::Kind::InvalidValue, what);
}

// What a new table's header holds, checked; layOutDbHeader writes it.
struct DbLayout {
  std::vector<FieldDef> fields;    // sizes settled
  std::vector<std::string> names;  // in the table's code page
  std::size_t keyFields = 0;
  int codePage = 0;
  std::size_t recordSize = 0;
  std::size_t blockCode = 0;  // block size in KiB
  int sortByte = 0;
  std::string sortName;
  std::size_t usedSize = 0;    // bytes of the header in use
  std::size_t headerSize = 0;  // in whole 2 KiB pages
};

// Checks the size byte of a field, or sets it for the types of fixed size.
void settleFieldSize(FieldDef& f) {
  const FieldTypeTraits& t = fieldTypeOf(f.type);
  if (!t.sizeChosen()) {
    f.size = t.fixedBytes;
  } else if (f.size < t.sizeMin || f.size > t.sizeMax) {
    invalid("Field '" + f.name + "': " +
            (t.kind == ValueKind::Decimal ? std::string("0 to 32 decimals")
                                          : "size must be " + std::to_string(t.sizeMin) + " to " +
                                                std::to_string(t.sizeMax)));
  }
}

// The field's name in the table's code page, checked against the names
// before it.
std::string fieldNameBytes(const FieldDef& f, int codePage,
                           const std::vector<std::string>& earlier) {
  if (f.name.empty()) invalid("A field needs a name");
  std::string raw = codec::toTableText(f.name, codePage, f.name);
  if (raw.size() > 25 || raw.find('\0') != std::string::npos)
    invalid("Field '" + f.name + "': names have at most 25 characters");
  for (const auto& other : earlier)
    if (support::equalsIgnoringAsciiCase(other, raw))
      invalid("Field '" + f.name + "' appears twice");
  return raw;
}

// The smallest block that holds at least three records, else the largest
// that holds one.
std::size_t blockCodeFor(std::size_t recordSize) {
  for (std::size_t code = 2; code <= 32; code *= 2)
    if ((code * 1024 - 6) / recordSize >= 3) return code;
  if (recordSize <= 32 * 1024 - 6) return 32;
  invalid("The record is too large");
}

DbLayout checkDbLayout(const std::vector<FieldDef>& input, int keyFields, int codePage,
                       const SortOrder* sort) {
  const std::size_t n = input.size();
  if (n == 0 || n > 255) invalid("A table needs 1 to 255 fields");
  if (keyFields < 0 || static_cast<std::size_t>(keyFields) > n)
    invalid("More key fields than fields");
  if (!codec::effectiveCodePage(codePage) || codePage != codec::effectiveCodePage(codePage))
    invalid("Unsupported code page " + std::to_string(codePage));
  DbLayout l;
  l.fields = input;
  l.keyFields = static_cast<std::size_t>(keyFields);
  l.codePage = codePage;
  for (std::size_t i = 0; i < n; ++i) {
    auto& f = l.fields[i];
    if (!codec::isKnownType(static_cast<std::uint8_t>(f.type))) invalid("Unknown field type");
    settleFieldSize(f);
    if (i < l.keyFields && codec::isBlob(f.type))
      invalid("Field '" + f.name + "': a blob cannot be a key");
    l.names.push_back(fieldNameBytes(f, codePage, l.names));
    l.recordSize += static_cast<std::size_t>(codec::storageSize(f.type, f.size));
  }
  l.blockCode = blockCodeFor(l.recordSize);
  if (sort) {
    l.sortByte = sort->byte;
    l.sortName = sort->name.substr(0, 8);
  } else {
    sortOrderFor(codePage, l.sortByte, l.sortName);
  }
  // Field info, table name pointer, field pointers, table name area, field
  // names, field numbers and the sort order name.
  std::size_t namesSize = 0;
  for (const auto& s : l.names) namesSize += s.size() + 1;
  l.usedSize = hdr::kVariablePart + 2 * n + 4 + 4 * n + tableNameArea(12) + namesSize + 2 * n +
               l.sortName.size() + 1;
  l.headerSize = (l.usedSize + 0x7FF) / 0x800 * 0x800;
  if (l.headerSize > 0xF800) invalid("Too many fields for one header");
  return l;
}

// The table name as stored: printable ASCII only, cut to fit its area.
std::string storedTableName(const std::string& tableName, std::size_t area) {
  std::string name;
  for (const char c : tableName)
    if (static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x7F) name += c;
  return name.substr(0, area - 1);
}

Bytes layOutDbHeader(const DbLayout& l, const std::string& tableName) {
  const std::size_t n = l.fields.size();
  Bytes raw(l.headerSize, 0);
  auto* p = raw.data();
  putSize16(p + hdr::kRecordSize, l.recordSize);
  putSize16(p + hdr::kHeaderSize, l.headerSize);
  p[hdr::kFileType] = l.keyFields > 0 ? 0 : 2;
  p[hdr::kBlockCode] = lowByte(l.blockCode);
  putSize16(p + hdr::kNumFields, n);
  putSize16(p + hdr::kKeyFields, l.keyFields);
  p[hdr::kSortOrder] = lowByte(l.sortByte);
  p[hdr::kChangeCount1] = 2;
  p[hdr::kChangeCount2] = 1;
  p[hdr::kVersion] = 0x0C;
  p[hdr::kDataHeaderMark] = 0x20;
  putU16(p + hdr::kVersionWord1, 0x010C);
  putU16(p + hdr::kVersionWord2, 0x010C);
  putSize16(p + hdr::kHighFieldId, n + 1);
  putU16(p + hdr::kCodePage, l.codePage);
  p[hdr::kDataHeaderFlags] = 1;
  p[hdr::kDataHeaderFlags + 1] = 1;
  std::size_t pos = hdr::kVariablePart;
  for (const auto& f : l.fields) {
    p[pos++] = static_cast<std::uint8_t>(f.type);
    p[pos++] = lowByte(f.size);
  }
  // The table name pointer and the field name pointers stay zero.
  pos += 4 + 4 * n;
  const std::size_t area = tableNameArea(12);
  const std::string name = storedTableName(tableName, area);
  std::copy(name.begin(), name.end(), p + pos);
  pos += area;
  for (const auto& s : l.names) {
    std::copy(s.begin(), s.end(), p + pos);
    pos += s.size() + 1;
  }
  putSize16(p + hdr::kFieldNumbersAt, pos - hdr::kDataHeader);
  for (std::size_t i = 1; i <= n; ++i, pos += 2) putSize16(p + pos, i);
  putSize16(p + hdr::kSortNameAt, pos - hdr::kDataHeader);
  std::copy(l.sortName.begin(), l.sortName.end(), p + pos);
  putSize16(p + hdr::kUsedHeaderSize, l.usedSize);
  return raw;
}

}  // namespace

DbHeader makeDbHeader(const std::vector<FieldDef>& input, int keyFields, int codePage,
                      const std::string& tableName, const SortOrder* sort) {
  DbHeader h;
  h.raw = layOutDbHeader(checkDbLayout(input, keyFields, codePage, sort), tableName);
  h.setCheckValue(0);
  h.touch();
  return parseDbHeader(h.raw, h.raw.size());
}

void PxHeader::setShape(std::uint32_t entries, BlockNo blocks, BlockNo first, BlockNo last,
                        BlockNo rootBlock, int levelCount) {
  putU32(&raw[hdr::kNumRecords], entries);
  putU16(&raw[hdr::kUsedBlocks], blocks);
  putU16(&raw[hdr::kFileBlocks], blocks);
  putU16(&raw[hdr::kMaxBlocks], blocks);
  putU16(&raw[hdr::kFirstBlock], first);
  putU16(&raw[hdr::kLastBlock], last);
  putU16(&raw[hdr::kIndexRoot], rootBlock);
  raw[hdr::kIndexLevels] = lowByte(levelCount);
}

PxHeader parsePxHeader(const Bytes& bytes, std::uint64_t fileSize) {
  const auto bad = [](const std::string& what) {
    throw DbError(DbError::Kind::Corrupt, "Table is corrupt: the primary index " + what);
  };
  if (bytes.size() < hdr::kIndexFieldInfo || fileSize < hdr::kIndexFieldInfo) bad("is too short");
  PxHeader h;
  const auto* p = bytes.data();
  h.recordSize = getU16(p + hdr::kRecordSize);
  h.headerSize = getU16(p + hdr::kHeaderSize);
  const std::size_t code = p[hdr::kBlockCode];
  if (p[hdr::kFileType] != 1) bad("is not an index file");
  if (code == 0 || code > 32) bad("has a bad block size");
  h.blockSize = code * 1024;
  if (h.headerSize < hdr::kIndexFieldInfo || h.headerSize > fileSize || bytes.size() < h.headerSize)
    bad("ends inside its header");
  h.raw.assign(p, p + h.headerSize);
  h.keyFields = getU16(p + hdr::kNumFields);
  if (h.keyFields == 0 || hdr::kIndexFieldInfo + 2 * h.keyFields > h.headerSize)
    bad("has a bad key field count");
  const auto* info = p + hdr::kIndexFieldInfo;
  for (std::size_t i = 0; i < h.keyFields; ++i)
    h.keyTypes.emplace_back(info[2 * i], info[2 * i + 1]);
  if (h.recordSize <= indexEntrySize(0) || h.recordSize > h.blockSize - blockhead::kSize)
    bad("has a bad entry size");
  h.checkValue = getU32(p + hdr::kEncryption1);
  return h;
}

PxHeader makePxHeader(const DbHeader& db, std::size_t blockSize) {
  const std::size_t k = db.keyFields;
  PxHeader h;
  h.raw.assign(0x800, 0);
  auto* p = h.raw.data();
  putSize16(p + hdr::kRecordSize, indexEntrySize(db.keySize()));
  putSize16(p + hdr::kHeaderSize, h.raw.size());
  p[hdr::kFileType] = 1;
  p[hdr::kBlockCode] = lowByte(blockSize / 1024);
  putU16(p + hdr::kIndexRoot, 1);
  putSize16(p + hdr::kNumFields, k);
  p[hdr::kSortOrder] = lowByte(db.sortOrder);
  // Genuine indexes copy the table's change counter here.
  p[hdr::kIndexSync] = db.raw[hdr::kChangeCount1];
  p[hdr::kChangeCount1] = 2;
  p[hdr::kChangeCount2] = 1;
  p[hdr::kVersion] = lowByte(db.versionId);
  p[hdr::kAutoInc] = 1;
  auto* info = p + hdr::kIndexFieldInfo;
  for (std::size_t i = 0; i < k; ++i) {
    info[2 * i] = static_cast<std::uint8_t>(db.fields[i].type);
    info[2 * i + 1] = lowByte(db.fields[i].size);
  }
  putSize16(p + hdr::kUsedHeaderSize,
            hdr::kIndexFieldInfo + 2 * k + 4 + tableNameArea(db.versionId));
  return parsePxHeader(h.raw, h.raw.size());
}

}  // namespace torvelle::format

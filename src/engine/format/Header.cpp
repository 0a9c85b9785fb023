#include "engine/format/Header.h"

#include <algorithm>
#include <cctype>
#include <ctime>

#include "engine/DbError.h"
#include "engine/format/FieldCodec.h"

namespace torvelle::format {
namespace {

using engine::DbError;

[[noreturn]] void notParadox() {
  throw DbError(DbError::Kind::NotParadox, "Not a Paradox table");
}
[[noreturn]] void corrupt(const std::string& what) {
  throw DbError(DbError::Kind::Corrupt, "Table is corrupt: " + what);
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

int tableNameArea(int versionId) {
  return versionId >= 12 ? 261 : 79;
}

}  // namespace

int DbHeader::keySize() const {
  int n = 0;
  for (int i = 0; i < keyFields; ++i)
    n += codec::storageSize(fields[static_cast<std::size_t>(i)].type,
                            fields[static_cast<std::size_t>(i)].size);
  return n;
}

void DbHeader::setBlocks(int used, int file, int first, int last) {
  putU16(&raw[hdr::kUsedBlocks], static_cast<std::uint32_t>(used));
  putU16(&raw[hdr::kFileBlocks], static_cast<std::uint32_t>(file));
  putU16(&raw[hdr::kFirstBlock], static_cast<std::uint32_t>(first));
  putU16(&raw[hdr::kLastBlock], static_cast<std::uint32_t>(last));
  putU16(&raw[hdr::kMaxBlocks], static_cast<std::uint32_t>(file));
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
  if (hasDataHeader())
    putU32(&raw[hdr::kUpdateTime], static_cast<std::uint32_t>(std::time(nullptr)));
}

std::size_t headerBytesNeeded(const Bytes& first) {
  if (first.size() < 0x58) return 0x58;
  return std::max<std::size_t>(0x58, getU16(&first[hdr::kHeaderSize]));
}

DbHeader parseDbHeader(const Bytes& bytes, std::uint64_t fileSize) {
  if (fileSize < 0x58 || bytes.size() < 0x58) notParadox();
  DbHeader h;
  const std::uint8_t* p = bytes.data();
  h.recordSize = getU16(p + hdr::kRecordSize);
  h.headerSize = getU16(p + hdr::kHeaderSize);
  h.fileType = p[hdr::kFileType];
  const int code = p[hdr::kBlockCode];
  h.versionId = p[hdr::kVersion];
  if ((h.fileType != 0 && h.fileType != 2) || code == 0 || code > 32 || h.versionId < 3 ||
      h.versionId > 12 || h.recordSize == 0)
    notParadox();
  h.level = levelOf(h.versionId);
  h.blockSize = code * 1024;
  const int base = h.hasDataHeader() ? 0x78 : 0x58;
  if (h.headerSize < base) corrupt("the header is too short");
  if (static_cast<std::uint64_t>(h.headerSize) > fileSize ||
      bytes.size() < static_cast<std::size_t>(h.headerSize))
    corrupt("the file ends inside its header");
  h.raw.assign(bytes.begin(), bytes.begin() + h.headerSize);
  const int n = getU16(p + hdr::kNumFields);
  if (n == 0 || n > 255) corrupt("it has " + std::to_string(n) + " fields");
  if (h.recordSize > h.blockSize - 6) corrupt("records are larger than its blocks");
  const int end = h.headerSize;
  if (base + 2 * n > end) corrupt("the field list runs past the header");
  int offset = 0;
  for (int i = 0; i < n; ++i) {
    const std::uint8_t type = p[base + 2 * i];
    const std::uint8_t size = p[base + 2 * i + 1];
    if (!codec::isKnownType(type))
      corrupt("field " + std::to_string(i + 1) + " has an unknown type");
    FieldDef f;
    f.type = static_cast<FieldType>(type);
    f.size = size;
    const int storage = codec::storageSize(f.type, f.size);
    if (storage <= 0) corrupt("field " + std::to_string(i + 1) + " has size 0");
    if (codec::isBlob(f.type) && f.size < 10) corrupt("a blob field is shorter than 10 bytes");
    if (f.type == FieldType::Bcd && f.size > 32) corrupt("a BCD field has more than 32 decimals");
    h.offsets.push_back(offset);
    offset += storage;
    h.fields.push_back(std::move(f));
  }
  if (offset != h.recordSize) corrupt("the field sizes do not add up to the record size");
  h.keyFields = h.fileType == 0 ? getU16(p + hdr::kKeyFields) : 0;
  if (h.keyFields > n) corrupt("more key fields than fields");
  for (int i = 0; i < h.keyFields; ++i)
    if (codec::isBlob(h.fields[static_cast<std::size_t>(i)].type)) corrupt("a blob field is a key");
  h.checkValue = getU32(p + hdr::kEncryption1);
  if (h.checkValue == hdr::kEncryptedElsewhere && h.hasDataHeader())
    h.checkValue = getU32(p + hdr::kEncryption2);
  h.sortOrder = p[hdr::kSortOrder];
  h.codePage = h.hasDataHeader() ? getU16(p + hdr::kCodePage) : 0;
  if (h.codePage == 0) h.codePage = codePageOfSortOrder(h.sortOrder, !h.hasDataHeader());
  // Field names follow the field info, the pointers and the table name area.
  std::size_t pos = static_cast<std::size_t>(base + 6 * n + 4 + tableNameArea(h.versionId));
  for (int i = 0; i < n; ++i) {
    const auto* start = p + pos;
    std::size_t len = 0;
    while (pos + len < static_cast<std::size_t>(end) && start[len] != 0) ++len;
    if (pos + len >= static_cast<std::size_t>(end)) corrupt("the field names run past the header");
    h.rawNames.emplace_back(reinterpret_cast<const char*>(start), len);
    h.fields[static_cast<std::size_t>(i)].name =
        codec::fromTableText(h.rawNames.back(), h.codePage);
    pos += len + 1;
  }
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
    case 1252:
      sortByte = 0x11;
      sortName = "ANSII850";
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

DbHeader makeDbHeader(const std::vector<FieldDef>& input, int keyFields, int codePage,
                      const std::string& tableName) {
  const auto bad = [](const std::string& what) {
    throw DbError(DbError::Kind::InvalidValue, what);
  };
  const int n = static_cast<int>(input.size());
  if (n == 0 || n > 255) bad("A table needs 1 to 255 fields");
  if (keyFields < 0 || keyFields > n) bad("More key fields than fields");
  if (!codec::effectiveCodePage(codePage) || codePage != codec::effectiveCodePage(codePage))
    bad("Unsupported code page " + std::to_string(codePage));
  std::vector<FieldDef> fields = input;
  std::vector<std::string> names;
  int recordSize = 0;
  for (int i = 0; i < n; ++i) {
    auto& f = fields[static_cast<std::size_t>(i)];
    if (!codec::isKnownType(static_cast<std::uint8_t>(f.type))) bad("Unknown field type");
    const auto t = f.type;
    const bool blob = codec::isBlob(t);
    if (t == FieldType::Alpha || t == FieldType::Bytes) {
      if (f.size < 1 || f.size > 255) bad("Field '" + f.name + "': size must be 1 to 255");
    } else if (t == FieldType::Memo) {
      if (f.size < 11 || f.size > 250) bad("Field '" + f.name + "': size must be 11 to 250");
    } else if (blob) {
      if (f.size < 10 || f.size > 250) bad("Field '" + f.name + "': size must be 10 to 250");
    } else if (t == FieldType::Bcd) {
      if (f.size < 0 || f.size > 32) bad("Field '" + f.name + "': 0 to 32 decimals");
    } else {
      f.size = codec::storageSize(t, 0);
    }
    if (i < keyFields && blob) bad("Field '" + f.name + "': a blob cannot be a key");
    if (f.name.empty()) bad("A field needs a name");
    const std::string raw = codec::toTableText(f.name, codePage, f.name);
    if (raw.size() > 25 || raw.find('\0') != std::string::npos)
      bad("Field '" + f.name + "': names have at most 25 characters");
    for (const auto& other : names) {
      std::string a = other, b = raw;
      std::transform(a.begin(), a.end(), a.begin(),
                     [](unsigned char c) { return std::toupper(c); });
      std::transform(b.begin(), b.end(), b.begin(),
                     [](unsigned char c) { return std::toupper(c); });
      if (a == b) bad("Field '" + f.name + "' appears twice");
    }
    names.push_back(raw);
    recordSize += codec::storageSize(t, f.size);
  }
  int code = 0;
  for (const int c : {2, 4, 8, 16, 32}) {
    if ((c * 1024 - 6) / recordSize >= 3) {
      code = c;
      break;
    }
  }
  if (!code && recordSize <= 32 * 1024 - 6) code = 32;
  if (!code) bad("The record is too large");

  int sortByte = 0;
  std::string sortName;
  sortOrderFor(codePage, sortByte, sortName);
  constexpr int T = 261;
  std::size_t namesSize = 0;
  for (const auto& s : names) namesSize += s.size() + 1;
  const std::size_t used = 0x78 + 2 * n + 4 + 4 * n + T + namesSize + 2 * n + sortName.size() + 1;
  const std::size_t headerSize = (used + 0x7FF) / 0x800 * 0x800;
  if (headerSize > 0xF800) bad("Too many fields for one header");

  DbHeader h;
  h.raw.assign(headerSize, 0);
  auto* p = h.raw.data();
  putU16(p + hdr::kRecordSize, static_cast<std::uint32_t>(recordSize));
  putU16(p + hdr::kHeaderSize, static_cast<std::uint32_t>(headerSize));
  p[hdr::kFileType] = keyFields > 0 ? 0 : 2;
  p[hdr::kBlockCode] = static_cast<std::uint8_t>(code);
  putU16(p + hdr::kNumFields, static_cast<std::uint32_t>(n));
  putU16(p + hdr::kKeyFields, static_cast<std::uint32_t>(keyFields));
  p[hdr::kSortOrder] = static_cast<std::uint8_t>(sortByte);
  p[hdr::kChangeCount1] = 2;
  p[0x2E] = 1;
  p[hdr::kVersion] = 0x0C;
  p[0x56] = 0x20;
  putU16(p + 0x58, 0x010C);
  putU16(p + 0x5A, 0x010C);
  putU16(p + 0x64, static_cast<std::uint32_t>(n + 1));
  putU16(p + hdr::kCodePage, static_cast<std::uint32_t>(codePage));
  p[0x6C] = 1;
  p[0x6D] = 1;
  std::size_t pos = 0x78;
  for (const auto& f : fields) {
    p[pos++] = static_cast<std::uint8_t>(f.type);
    p[pos++] = static_cast<std::uint8_t>(f.size);
  }
  pos += 4 + 4 * static_cast<std::size_t>(n);
  std::string name;
  for (const char c : tableName)
    if (static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x7F) name += c;
  name = name.substr(0, T - 1);
  std::copy(name.begin(), name.end(), p + pos);
  pos += T;
  for (const auto& s : names) {
    std::copy(s.begin(), s.end(), p + pos);
    pos += s.size() + 1;
  }
  putU16(p + 0x66, static_cast<std::uint32_t>(pos - 0x58));
  for (int i = 1; i <= n; ++i, pos += 2) putU16(p + pos, static_cast<std::uint32_t>(i));
  putU16(p + 0x6E, static_cast<std::uint32_t>(pos - 0x58));
  std::copy(sortName.begin(), sortName.end(), p + pos);
  pos += sortName.size() + 1;
  putU16(p + 0x51, static_cast<std::uint32_t>(pos));
  h.setCheckValue(0);
  h.touch();
  return parseDbHeader(h.raw, h.raw.size());
}

void PxHeader::setShape(std::uint32_t entries, int blocks, int first, int last, int rootBlock,
                        int levelCount) {
  putU32(&raw[hdr::kNumRecords], entries);
  putU16(&raw[hdr::kUsedBlocks], static_cast<std::uint32_t>(blocks));
  putU16(&raw[hdr::kFileBlocks], static_cast<std::uint32_t>(blocks));
  putU16(&raw[hdr::kMaxBlocks], static_cast<std::uint32_t>(blocks));
  putU16(&raw[hdr::kFirstBlock], static_cast<std::uint32_t>(first));
  putU16(&raw[hdr::kLastBlock], static_cast<std::uint32_t>(last));
  putU16(&raw[hdr::kIndexRoot], static_cast<std::uint32_t>(rootBlock));
  raw[hdr::kIndexLevels] = static_cast<std::uint8_t>(levelCount);
}

PxHeader parsePxHeader(const Bytes& bytes, std::uint64_t fileSize) {
  const auto bad = [](const std::string& what) {
    throw DbError(DbError::Kind::Corrupt, "Table is corrupt: the primary index " + what);
  };
  if (bytes.size() < 0x58 || fileSize < 0x58) bad("is too short");
  PxHeader h;
  const auto* p = bytes.data();
  h.recordSize = getU16(p + hdr::kRecordSize);
  h.headerSize = getU16(p + hdr::kHeaderSize);
  const int code = p[hdr::kBlockCode];
  if (p[hdr::kFileType] != 1) bad("is not an index file");
  if (code == 0 || code > 32) bad("has a bad block size");
  h.blockSize = code * 1024;
  if (h.headerSize < 0x58 || static_cast<std::uint64_t>(h.headerSize) > fileSize ||
      bytes.size() < static_cast<std::size_t>(h.headerSize))
    bad("ends inside its header");
  h.raw.assign(bytes.begin(), bytes.begin() + h.headerSize);
  h.keyFields = getU16(p + hdr::kNumFields);
  if (h.keyFields == 0 || 0x58 + 2 * h.keyFields > h.headerSize) bad("has a bad key field count");
  for (int i = 0; i < h.keyFields; ++i) h.keyTypes.emplace_back(p[0x58 + 2 * i], p[0x59 + 2 * i]);
  if (h.recordSize <= 6 || h.recordSize > h.blockSize - 6) bad("has a bad entry size");
  h.checkValue = getU32(p + hdr::kEncryption1);
  return h;
}

PxHeader makePxHeader(const DbHeader& db, int blockSize) {
  const int k = db.keyFields;
  const int T = tableNameArea(db.versionId);
  PxHeader h;
  h.raw.assign(0x800, 0);
  auto* p = h.raw.data();
  putU16(p + hdr::kRecordSize, static_cast<std::uint32_t>(db.keySize() + 6));
  putU16(p + hdr::kHeaderSize, 0x800);
  p[hdr::kFileType] = 1;
  p[hdr::kBlockCode] = static_cast<std::uint8_t>(blockSize / 1024);
  putU16(p + hdr::kIndexRoot, 1);
  putU16(p + hdr::kNumFields, static_cast<std::uint32_t>(k));
  p[hdr::kSortOrder] = static_cast<std::uint8_t>(db.sortOrder);
  p[0x2C] = db.raw[hdr::kChangeCount1];
  p[hdr::kChangeCount1] = 2;
  p[0x2E] = 1;
  p[hdr::kVersion] = static_cast<std::uint8_t>(db.versionId);
  p[hdr::kAutoInc] = 1;
  for (int i = 0; i < k; ++i) {
    p[0x58 + 2 * i] = static_cast<std::uint8_t>(db.fields[static_cast<std::size_t>(i)].type);
    p[0x59 + 2 * i] = static_cast<std::uint8_t>(db.fields[static_cast<std::size_t>(i)].size);
  }
  putU16(p + 0x51, static_cast<std::uint32_t>(0x58 + 2 * k + 4 + T));
  return parsePxHeader(h.raw, h.raw.size());
}

}  // namespace torvelle::format

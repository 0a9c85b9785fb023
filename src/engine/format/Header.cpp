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

std::size_t tableNameArea(int versionId) {
  return versionId >= 12 ? 261 : 79;
}

// Sizes and counts go back into 16-bit header words; the layout checks
// keep them in range.
void putSize16(std::uint8_t* p, std::size_t v) {
  putU16(p, static_cast<std::uint32_t>(v));
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

}  // namespace

std::size_t DbHeader::keySize() const {
  std::size_t n = 0;
  for (std::size_t i = 0; i < keyFields; ++i) {
    const int storage = codec::storageSize(fields[i].type, fields[i].size);
    n += static_cast<std::size_t>(storage);
  }
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
  if (h.recordSize > h.blockSize - 6) corrupt("records are larger than its blocks");
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
  const std::size_t n = input.size();
  if (n == 0 || n > 255) bad("A table needs 1 to 255 fields");
  if (keyFields < 0 || static_cast<std::size_t>(keyFields) > n) bad("More key fields than fields");
  const auto keys = static_cast<std::size_t>(keyFields);
  if (!codec::effectiveCodePage(codePage) || codePage != codec::effectiveCodePage(codePage))
    bad("Unsupported code page " + std::to_string(codePage));
  std::vector<FieldDef> fields = input;
  std::vector<std::string> names;
  std::size_t recordSize = 0;
  for (std::size_t i = 0; i < n; ++i) {
    auto& f = fields[i];
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
    if (i < keys && blob) bad("Field '" + f.name + "': a blob cannot be a key");
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
    recordSize += static_cast<std::size_t>(codec::storageSize(t, f.size));
  }
  std::size_t code = 0;
  for (std::size_t c = 2; c <= 32; c *= 2) {
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
  putSize16(p + hdr::kRecordSize, recordSize);
  putSize16(p + hdr::kHeaderSize, headerSize);
  p[hdr::kFileType] = keys > 0 ? 0 : 2;
  p[hdr::kBlockCode] = static_cast<std::uint8_t>(code);
  putSize16(p + hdr::kNumFields, n);
  putSize16(p + hdr::kKeyFields, keys);
  p[hdr::kSortOrder] = static_cast<std::uint8_t>(sortByte);
  p[hdr::kChangeCount1] = 2;
  p[0x2E] = 1;
  p[hdr::kVersion] = 0x0C;
  p[0x56] = 0x20;
  putU16(p + 0x58, 0x010C);
  putU16(p + 0x5A, 0x010C);
  putSize16(p + 0x64, n + 1);
  putU16(p + hdr::kCodePage, static_cast<std::uint32_t>(codePage));
  p[0x6C] = 1;
  p[0x6D] = 1;
  std::size_t pos = 0x78;
  for (const auto& f : fields) {
    p[pos++] = static_cast<std::uint8_t>(f.type);
    p[pos++] = static_cast<std::uint8_t>(f.size);
  }
  pos += 4 + 4 * n;
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
  putSize16(p + 0x66, pos - 0x58);
  for (std::size_t i = 1; i <= n; ++i, pos += 2) putSize16(p + pos, i);
  putSize16(p + 0x6E, pos - 0x58);
  std::copy(sortName.begin(), sortName.end(), p + pos);
  pos += sortName.size() + 1;
  putSize16(p + 0x51, pos);
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
  if (h.recordSize <= 6 || h.recordSize > h.blockSize - 6) bad("has a bad entry size");
  h.checkValue = getU32(p + hdr::kEncryption1);
  return h;
}

PxHeader makePxHeader(const DbHeader& db, std::size_t blockSize) {
  const std::size_t k = db.keyFields;
  PxHeader h;
  h.raw.assign(0x800, 0);
  auto* p = h.raw.data();
  putSize16(p + hdr::kRecordSize, db.keySize() + 6);
  putSize16(p + hdr::kHeaderSize, h.raw.size());
  p[hdr::kFileType] = 1;
  p[hdr::kBlockCode] = static_cast<std::uint8_t>(blockSize / 1024);
  putU16(p + hdr::kIndexRoot, 1);
  putSize16(p + hdr::kNumFields, k);
  p[hdr::kSortOrder] = static_cast<std::uint8_t>(db.sortOrder);
  // Ties the index to the state of its table.
  p[hdr::kIndexSync] = db.raw[hdr::kChangeCount1];
  p[hdr::kChangeCount1] = 2;
  p[hdr::kChangeCount2] = 1;
  p[hdr::kVersion] = static_cast<std::uint8_t>(db.versionId);
  p[hdr::kAutoInc] = 1;
  auto* info = p + hdr::kIndexFieldInfo;
  for (std::size_t i = 0; i < k; ++i) {
    info[2 * i] = static_cast<std::uint8_t>(db.fields[i].type);
    info[2 * i + 1] = static_cast<std::uint8_t>(db.fields[i].size);
  }
  putSize16(p + hdr::kUsedHeaderSize,
            hdr::kIndexFieldInfo + 2 * k + 4 + tableNameArea(db.versionId));
  return parsePxHeader(h.raw, h.raw.size());
}

}  // namespace torvelle::format

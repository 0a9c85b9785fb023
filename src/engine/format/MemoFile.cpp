#include "engine/format/MemoFile.h"

#include <algorithm>

#include "engine/DbError.h"
#include "engine/format/Crypto.h"
#include "engine/format/FieldCodec.h"
#include "engine/format/Header.h"
#include "engine/format/TableWriter.h"

namespace torvelle::format {
namespace {

using engine::DbError;
using memo::kGraphicPrefix;
constexpr std::uint64_t kMbBlock = memo::kBlock;

[[noreturn]] void badReference(const FieldDef& field) {
  corrupt("field '" + field.name + "' has a bad memo reference");
}

}  // namespace

MemoFile::MemoFile(FileSet& files)
    : files_(files),
      allocator_({[this](std::uint64_t offset, std::size_t n) { return read(offset, n); },
                  [this] { return size(); }, [this] { create(); }}) {}

void MemoFile::open(std::uint32_t tableKey) {
  allocator_.reset();
  tableKey_ = key_ = tableKey;
  // Some writers leave the memo file of a protected table plain; its header
  // block tells, as it starts 00 01 00 when plain.
  std::uint8_t head[3] = {};
  if (key_ && exists() && files_.read(kMbFile, 0, head, 3) == 3 && head[0] == 0 && head[1] == 1 &&
      head[2] == 0)
    key_ = 0;
}

// A table with blob fields but no memo file gets an empty one.
void MemoFile::create() {
  if (exists()) return;
  Bytes header = freshMbHeader();
  if (tableKey_) crypto::encryptBlob(header.data(), header.size(), tableKey_);
  key_ = tableKey_;
  files_.create(kMbFile, header);
}

Bytes MemoFile::read(std::uint64_t offset, std::size_t n) const {
  const auto lo = offset / 256 * 256;
  const auto hi = (offset + n + 255) / 256 * 256;
  if (offset + n > size()) corrupt("a memo lies beyond the end of the memo file");
  Bytes data(hi - lo);
  const auto got = files_.read(kMbFile, lo, data.data(), data.size());
  if (got < offset + n - lo) corrupt("a memo lies beyond the end of the memo file");
  if (key_) crypto::decryptBlob(data.data(), data.size() / 256 * 256, key_);
  return Bytes(data.data() + (offset - lo), data.data() + (offset - lo + n));
}

Bytes MemoFile::headerPage() const {
  if (!exists() || size() < kMbBlock) return {};
  return read(0, kMbBlock);
}

Bytes MemoFile::value(const FieldDef& field, const std::uint8_t* p, bool stored,
                      bool verifyOnly) const {
  const std::size_t leader = blobLeader(field);
  const std::uint32_t locator = getU32(p + leader);
  const std::uint32_t length = getU32(p + leader + 4);
  if (length == 0) return {};
  if (length <= leader) return Bytes(p, p + length);
  const std::uint64_t offset = locator & 0xFFFFFF00u;
  const unsigned index = locator & 0xFF;
  if (!exists()) corrupt("field '" + field.name + "' refers to a missing memo file");
  if (offset == 0 || length > size()) badReference(field);
  const int type = read(offset, 1)[0];
  if (type == memo::kBigBlock) {
    if (index != 0xFF) badReference(field);
    return bigValue(field, offset, length, !stored, verifyOnly);
  }
  if (type == memo::kSubBlock) {
    if (index >= memo::kEntries) badReference(field);
    return subValue(field, offset + ConstSubEntry::offsetIn(index), length, verifyOnly);
  }
  corrupt("field '" + field.name + "' refers to a memo block of type " + std::to_string(type));
}

// A value in blocks of its own at `offset`; `shown` drops a graphic's header.
Bytes MemoFile::bigValue(const FieldDef& field, std::uint64_t offset, std::uint32_t length,
                         bool shown, bool verifyOnly) const {
  const Bytes head = read(offset, 7);
  const std::uint64_t units = getU16(&head[1]);
  if (units * kMbBlock < 9ull + length) badReference(field);
  if (getU32(&head[3]) != length) corrupt("field '" + field.name + "': memo length differs");
  if (offset + 9 + length > size()) corrupt("a memo lies beyond the end of the memo file");
  if (verifyOnly) return {};
  if (field.type == FieldType::Graphic && shown && length >= kGraphicPrefix)
    return read(offset + 9 + kGraphicPrefix, length - kGraphicPrefix);
  return read(offset + 9, length);
}

// A value in a sub-allocated block, listed by the entry at `entryOffset`.
Bytes MemoFile::subValue(const FieldDef& field, std::uint64_t entryOffset, std::uint32_t length,
                         bool verifyOnly) const {
  const Bytes bytes = read(entryOffset, ConstSubEntry::kSize);
  const ConstSubEntry entry(bytes.data());
  const unsigned chunk = entry.firstChunk(), last = entry.lastBytes();
  if (chunk == 0 || entry.chunks() == 0 || last == 0 || last > 16 || entry.length() != length ||
      chunk * 16ull + length > kMbBlock)
    corrupt("field '" + field.name + "' has a bad memo entry");
  if (verifyOnly) return {};
  const std::uint64_t block = entryOffset / kMbBlock * kMbBlock;
  return read(block + chunk * 16ull, length);
}

Bytes MemoFile::payload(const FieldDef& field, const Value& value, int codePage) {
  if (isNull(value)) return {};
  std::string bytes;
  if (field.type == FieldType::Memo) {
    const auto* text = std::get_if<std::string>(&value);
    if (!text)
      throw DbError(DbError::Kind::InvalidValue, "Field '" + field.name + "': expects text");
    bytes = codec::toTableText(*text, codePage, field.name);
  } else {
    const auto* bin = std::get_if<Binary>(&value);
    if (!bin)
      throw DbError(DbError::Kind::InvalidValue, "Field '" + field.name + "': expects bytes");
    bytes = bin->bytes;
  }
  Bytes out;
  if (field.type == FieldType::Graphic && !bytes.empty()) {
    // Graphics carry a small header of their own in the memo file.
    out.resize(kGraphicPrefix);
    putU32(&out[0], 0x01000001);
    putU32(&out[4], bytes.size());
  }
  out.insert(out.end(), bytes.begin(), bytes.end());
  if (out.size() > 0x7FFFFFF0u)
    throw DbError(DbError::Kind::InvalidValue, "Field '" + field.name + "': value too large");
  return out;
}

void MemoFile::stage(std::vector<PendingWrite>& writes, std::optional<std::uint64_t>& fileSize) {
  const auto& pages = allocator_.staged();
  for (const auto& [offset, data] : pages) {
    Bytes b = data;
    if (key_) crypto::encryptBlob(b.data(), b.size(), key_);
    writes.push_back({kMbFile, offset, std::move(b)});
  }
  if (!pages.empty()) fileSize = std::max(allocator_.end(), size());
}

}  // namespace torvelle::format

#include "engine/format/TableRecoder.h"

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

#include "engine/DbError.h"
#include "engine/format/Crypto.h"
#include "engine/format/FieldCodec.h"
#include "engine/format/ParadoxTable.h"
#include "engine/format/Rebuild.h"
#include "support/CodePage.h"
#include "support/Utf8.h"

namespace torvelle::format {
namespace {

using engine::DbError;

// How each byte of one single-byte code page is written in another: both
// have one byte per character, so every text keeps its length and a memo
// keeps its place in the memo file.
class ByteMap {
 public:
  ByteMap(int from, int to) {
    for (std::size_t b = 0; b < 256; ++b) {
      to_[b] = lowByte(b);
      lacking_[b] = 0;
    }
    for (std::size_t b = 0x80; b < 256; ++b) {
      const std::string utf8 = support::toUtf8(std::string(1, static_cast<char>(b)), from);
      try {
        to_[b] = static_cast<std::uint8_t>(support::fromUtf8(utf8, to).at(0));
      } catch (const support::CodePageError&) {
        std::size_t pos = 0;
        bool ok = false;
        lacking_[b] = support::decodeUtf8(utf8, pos, ok);
      }
    }
  }

  // The characters among `n` bytes at `p` that the target lacks, each once.
  std::string lacking(const std::uint8_t* p, std::size_t n) const {
    std::array<bool, 256> seen{};
    std::string out;
    for (std::size_t i = 0; i < n; ++i) {
      if (lacking_[p[i]] == 0 || seen[p[i]]) continue;
      seen[p[i]] = true;
      support::appendUtf8(out, lacking_[p[i]]);
    }
    return out;
  }

  void translate(std::uint8_t* p, std::size_t n) const {
    for (std::size_t i = 0; i < n; ++i) p[i] = to_[p[i]];
  }

 private:
  std::array<std::uint8_t, 256> to_{};
  std::array<char32_t, 256> lacking_{};
};

// The stored text of an alpha field ends at its first NUL; what follows is
// padding.
std::size_t alphaLength(const std::uint8_t* p, std::size_t size) {
  return static_cast<std::size_t>(std::find(p, p + size, 0) - p);
}

// The part of a memo's text that its record holds ahead of the reference.
std::size_t leaderLength(const FieldDef& field, const std::uint8_t* p) {
  const std::size_t leader = blobLeader(field);
  return std::min<std::size_t>(leader, getU32(p + leader + 4));
}

// Where the field names lie in a header: after the field info, the pointers
// and the table name area, whose size depends on the format level.
std::size_t fieldNamesAt(const DbHeader& h) {
  const std::size_t tableNameArea = h.versionId >= 12 ? 261 : 79;
  return h.mutablePrefix() + 6 * h.fields.size() + 4 + tableNameArea;
}

// The old header with the new code page, its sort order and the field names
// recoded; everything else, the format level included, as it was.
DbHeader headerIn(const DbHeader& old, int codePage, const ByteMap& map) {
  Bytes raw = old.raw;
  int sortByte = 0;
  std::string sortName;
  sortOrderFor(codePage, sortByte, sortName);
  raw[hdr::kSortOrder] = lowByte(sortByte);
  if (old.hasDataHeader()) {
    putU16(&raw[hdr::kCodePage], codePage);
    const std::size_t at = hdr::kDataHeader + getU16(&raw[hdr::kSortNameAt]);
    if (at >= raw.size())
      throw DbError(DbError::Kind::Corrupt, "Table is corrupt: no sort order name");
    const std::size_t oldLength = alphaLength(&raw[at], raw.size() - at);
    if (at + sortName.size() + 1 > raw.size())
      throw DbError(DbError::Kind::InvalidValue, "The header has no room for the sort order name");
    std::fill_n(raw.data() + at, oldLength, 0);
    std::copy(sortName.begin(), sortName.end(), raw.data() + at);
    const std::size_t used = getU16(&raw[hdr::kUsedHeaderSize]) - oldLength + sortName.size();
    putU16(&raw[hdr::kUsedHeaderSize], used);
  }
  std::size_t pos = fieldNamesAt(old);
  for (const auto& name : old.rawNames) {
    map.translate(&raw[pos], name.size());
    pos += name.size() + 1;
  }
  DbHeader fresh = parseDbHeader(raw, raw.size());
  // Level 3 headers name no code page: only a sort order that implies it.
  if (fresh.codePage != codePage)
    throw DbError(DbError::Kind::InvalidValue,
                  "A table of format level " + std::to_string(old.level / 10) +
                      " cannot declare code page " + std::to_string(codePage));
  return fresh;
}

void requireSupported(int codePage) {
  if (!support::codePageSupported(codePage))
    throw DbError(DbError::Kind::InvalidValue,
                  "Code page " + std::to_string(codePage) + " is not one we convert");
}

// The stored text of a field of a record, or nullopt for fields of other types.
std::optional<std::string> storedText(const ParadoxTable& table, const Bytes& record,
                                      std::size_t f) {
  const DbHeader& h = table.header();
  const FieldDef& field = h.fields[f];
  const std::uint8_t* p = &record[h.offsets[f]];
  const auto* chars = reinterpret_cast<const char*>(p);
  if (field.type == FieldType::Alpha) return std::string(chars, alphaLength(p, h.fieldBytes(f)));
  if (field.type != FieldType::Memo) return std::nullopt;
  const Bytes stored = table.storedBlob(record, static_cast<int>(f));
  if (stored.empty()) return std::string(chars, leaderLength(field, p));
  return std::string(stored.begin(), stored.end());
}

std::vector<UnfitText> unfitTexts(const ParadoxTable& table, const ByteMap& map, int from) {
  const DbHeader& h = table.header();
  const auto lackingIn = [&](const std::string& bytes) {
    return map.lacking(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  };
  std::vector<UnfitText> unfit;
  for (const auto& raw : h.rawNames) {
    if (auto chars = lackingIn(raw); !chars.empty()) {
      const std::string name = codec::fromTableText(raw, from);
      unfit.push_back({UnfitText::kNoRecord, name, name, std::move(chars)});
    }
  }
  const auto records = table.rawRecords();
  for (std::size_t r = 0; r < records.size(); ++r) {
    for (std::size_t f = 0; f < h.fields.size(); ++f) {
      const auto text = storedText(table, records[r], f);
      if (!text) continue;
      if (auto chars = lackingIn(*text); !chars.empty())
        unfit.push_back({r, codec::fromTableText(h.rawNames[f], from),
                         codec::fromTableText(*text, from), std::move(chars)});
    }
  }
  return unfit;
}

// The check value is made over the password's bytes, which change with the
// code page: the password that opened the table gives the new one. One that
// the new code page cannot hold goes into `unfit`.
std::uint32_t recodedCheckValue(const DbHeader& h, const std::vector<std::string>& passwords,
                                int to, const ByteMap& map, std::vector<UnfitText>& unfit) {
  for (const auto& password : passwords) {
    std::string bytes;
    try {
      bytes = support::fromUtf8(password, h.codePage);
    } catch (const support::CodePageError&) {
      continue;
    }
    if (crypto::checkValue(bytes) != h.checkValue) continue;
    try {
      return crypto::checkValue(support::fromUtf8(password, to));
    } catch (const support::CodePageError&) {
      unfit.push_back(
          {UnfitText::kNoRecord,
           {},
           {},
           map.lacking(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size())});
    }
    break;
  }
  return h.checkValue;
}

}  // namespace

TableRecoder::TableRecoder(const std::filesystem::path& dbPath, const OpenOptions& options,
                           int codePage, int readAs) {
  settle(dbPath);
  OpenOptions writable = options;
  writable.writable = true;
  writable.readAs = 0;
  sync_ = options.sync;
  table_ = std::make_unique<ParadoxTable>(dbPath, writable);
  const DbHeader& h = table_->header();
  from_ = readAs != 0 ? readAs : h.codePage;
  to_ = codePage;
  requireSupported(from_);
  requireSupported(to_);
  const ByteMap map(from_, to_);
  unfit_ = unfitTexts(*table_, map, from_);
  checkValue_ = h.checkValue == 0 ? 0 : recodedCheckValue(h, options.passwords, to_, map, unfit_);
}

TableRecoder::~TableRecoder() = default;

int TableRecoder::declaredCodePage() const {
  return table_->header().codePage;
}

bool TableRecoder::needed() const {
  return from_ != to_ || table_->header().codePage != to_;
}

std::vector<std::filesystem::path> TableRecoder::files() const {
  std::vector<std::filesystem::path> files{table_->dbPath()};
  std::error_code ec;
  if (std::filesystem::exists(table_->pxPath(), ec)) files.push_back(table_->pxPath());
  if (table_->hasMbFile()) files.push_back(table_->mbPath());
  return files;
}

void TableRecoder::write() {
  if (!unfit_.empty())
    throw DbError(DbError::Kind::InvalidValue, "Table " + table_->dbPath().filename().string() +
                                                   " holds text that code page " +
                                                   std::to_string(to_) + " cannot hold");
  const ByteMap map(from_, to_);
  FreshTable fresh = copyOf(*table_);
  const DbHeader& old = table_->header();
  fresh.header = headerIn(old, to_, map);
  fresh.checkValue = checkValue_;
  for (std::size_t r = 0; r < fresh.records.size(); ++r) {
    Bytes& record = fresh.records[r];
    for (std::size_t f = 0; f < old.fields.size(); ++f) {
      const FieldDef& field = old.fields[f];
      std::uint8_t* p = &record[old.offsets[f]];
      if (field.type == FieldType::Alpha)
        map.translate(p, alphaLength(p, old.fieldBytes(f)));
      else if (field.type == FieldType::Memo)
        map.translate(p, leaderLength(field, p));
    }
    for (auto& [field, stored] : fresh.blobs[r])
      if (old.fields[static_cast<std::size_t>(field)].type == FieldType::Memo)
        map.translate(stored.data(), stored.size());
  }
  sortByKey(fresh);
  stageFreshTable({table_->dbPath(), table_->pxPath(), table_->mbPath()}, std::move(fresh), sync_);
  // The table stays open for the caller's questions after the write, so the
  // renames run over open files: fine on POSIX, refused on Windows.
  finishReplace(table_->dbPath());
}

}  // namespace torvelle::format

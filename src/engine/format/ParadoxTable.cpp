#include "engine/format/ParadoxTable.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include "engine/DbError.h"
#include "engine/format/Crypto.h"
#include "engine/format/DataBlock.h"
#include "engine/format/FieldCodec.h"
#include "support/CodePage.h"

namespace torvelle::format {

using engine::DbError;

ParadoxTable::ParadoxTable(const std::filesystem::path& requested, const OpenOptions& options)
    : options_(options),
      files_(requested, options),
      data_(files_, hdr_),
      index_(files_),
      memo_(files_) {
  load();
  // An earlier build wrote every table in byte order; open for writing, one
  // of a dictionary sort order is put in that order now, so that no read
  // ever has to write.
  if (options.writable && hdr_.keyFields > 0 && !keyOrder_.dictionary() &&
      KeyOrder::of(hdr_).dictionary())
    change([&] { sortRecordsByKey(); });
}

ParadoxTable::~ParadoxTable() = default;

// Follows the stored keys one by one: are they in the declared order, in
// byte order, or neither.
class ParadoxTable::OrderProbe {
 public:
  explicit OrderProbe(const DbHeader& h) : declared_(KeyOrder::of(h)), size_(h.keySize()) {}
  void see(const std::uint8_t* key) {
    if (!prev_.empty()) {
      inDeclared_ = inDeclared_ && declared_.compare(prev_.data(), key, size_) < 0;
      inBytes_ = inBytes_ && bytes_.compare(prev_.data(), key, size_) < 0;
    }
    prev_.assign(key, key + size_);
  }
  bool decided() const { return !inDeclared_ && !inBytes_; }
  // Keys out of byte order rule out an old byte-order table.
  bool inByteOrder() const { return inBytes_; }
  StoredOrder found() const {
    if (inDeclared_) return StoredOrder::Declared;
    return inBytes_ ? StoredOrder::Bytes : StoredOrder::Neither;
  }

 private:
  KeyOrder declared_, bytes_;
  std::size_t size_;
  Bytes prev_;
  bool inDeclared_ = true, inBytes_ = true;
};

void ParadoxTable::load() {
  const auto size = files_.size(kDbFile);
  Bytes head(0x78);
  head.resize(files_.read(kDbFile, 0, head.data(), head.size()));
  const auto need = headerBytesNeeded(head);
  if (need > head.size() && need <= size) {
    head.resize(need);
    head.resize(files_.read(kDbFile, 0, head.data(), need));
  }
  hdr_ = parseDbHeader(head, size);
  textPage_ = hdr_.codePage;
  if (options_.readAs != 0) readTextAs(options_.readAs);
  info_ = TableInfo{};
  info_.fields = hdr_.fields;
  info_.keyFieldCount = static_cast<int>(hdr_.keyFields);
  info_.codePage = hdr_.codePage;
  info_.sortOrder = hdr_.sortOrder;
  info_.sortName = hdr_.sortName;
  info_.level = hdr_.level;
  info_.blockSize = static_cast<int>(hdr_.blockSize);
  info_.encrypted = hdr_.checkValue != 0;
  info_.autoIncrement = hdr_.autoIncrement();
  keyOrder_ = KeyOrder::of(hdr_);
  orderKnown_ = hdr_.keyFields == 0 || !keyOrder_.dictionary();
  unlockPassword();
  data_.open(key_);
  memo_.open(key_);
  // Open for writing, the stored key order is found on the walk of the
  // chain, which then reads the blocks whole.
  std::optional<OrderProbe> probe;
  if (options_.writable && !orderKnown_) probe.emplace(hdr_);
  DataFile::RecordVisitor see;
  if (probe)
    see = [&](const std::uint8_t* rec) {
      probe->see(rec);
      return probe->inByteOrder();
    };
  index_.load(hdr_, data_.scanChain(see), tree_);
  if (probe) applyStoredOrder(probe->found());
}

// A header that names the wrong code page: its text, field names included,
// is read in another. Written, such text would be stored in neither.
void ParadoxTable::readTextAs(int codePage) {
  if (options_.writable)
    throw DbError(DbError::Kind::ReadOnly,
                  "A table read in another code page opens for reading only");
  if (!support::codePageSupported(codePage))
    throw DbError(DbError::Kind::InvalidValue, "Unsupported code page " + std::to_string(codePage));
  textPage_ = codePage;
  for (std::size_t i = 0; i < hdr_.fields.size(); ++i)
    hdr_.fields[i].name = codec::fromTableText(hdr_.rawNames[i], textPage_);
}

ParadoxTable::StoredOrder ParadoxTable::storedOrder() const {
  const auto rs = hdr_.recordSize;
  OrderProbe probe(hdr_);
  for (auto pos = tree_.first(); pos.valid() && !probe.decided(); pos = tree_.next(pos)) {
    const auto& e = tree_.at(pos);
    if (e.count == 0) continue;
    const Bytes data = data_.read(e.child);
    const ConstDataBlock block(data, rs);
    for (std::uint32_t i = 0; i < e.count; ++i) probe.see(block.record(i));
  }
  return probe.found();
}

// Before the first key search, the order the keys are stored in must be
// known (a full read finds it on the way, a writable open at once). A table
// of a dictionary sort order that an earlier build wrote in byte order is
// searched in the order it has until it is put in order.
void ParadoxTable::settleKeyOrder() const {
  if (!orderKnown_) applyStoredOrder(storedOrder());
}

void ParadoxTable::applyStoredOrder(StoredOrder found) const {
  orderKnown_ = true;
  if (found == StoredOrder::Bytes && keyOrder_.dictionary()) keyOrder_ = KeyOrder();
}

// The records change places within the blocks they fill; the index is
// written afresh.
void ParadoxTable::sortRecordsByKey() {
  keyOrder_ = KeyOrder::of(hdr_);
  const auto rs = hdr_.recordSize;
  const auto ks = hdr_.keySize();
  auto records = rawRecords();
  std::stable_sort(records.begin(), records.end(), [&](const Bytes& a, const Bytes& b) {
    return keyOrder_.compare(a.data(), b.data(), ks) < 0;
  });
  auto next = records.begin();
  for (auto pos = tree_.first(); pos.valid(); pos = tree_.next(pos)) {
    const auto& e = tree_.at(pos);
    if (e.count == 0) continue;
    const DataBlock block(data_.edit(e.child), rs);
    for (std::uint32_t i = 0; i < e.count; ++i, ++next) block.put(i, next->data());
    tree_.setKey(pos, block.key(0, ks));
  }
  index_.rebuild();
}

std::string ParadoxTable::keyOrderNote() const {
  settleKeyOrder();
  if (hdr_.keyFields == 0) return "no primary key";
  if (!KeyOrder::of(hdr_).dictionary()) return "keys in byte order";
  if (keyOrder_.dictionary()) return "keys in dictionary order";
  return "keys in byte order, as earlier versions wrote them; the next writable open or a pack "
         "puts them in dictionary order";
}

void ParadoxTable::unlockPassword() {
  key_ = 0;
  if (hdr_.checkValue == 0) return;
  for (const auto& pw : options_.passwords) {
    std::string bytes;
    try {
      bytes = codec::toTableText(pw, textPage_, "password");
    } catch (const DbError&) {
      continue;
    }
    if (crypto::checkValue(bytes) == hdr_.checkValue) {
      key_ = hdr_.checkValue;
      return;
    }
  }
  throw DbError(
      DbError::Kind::PasswordNeeded,
      options_.passwords.empty()
          ? "Table " + files_.path(kDbFile).filename().string() + " is protected by a password"
          : "Wrong password for table " + files_.path(kDbFile).filename().string());
}

std::size_t ParadoxTable::pxBlockSize() const {
  return index_.blockSize(hdr_);
}

Value ParadoxTable::readBlob(const FieldDef& field, const std::uint8_t* p,
                             std::uint64_t* budget) const {
  const Bytes bytes = memo_.value(field, p, false);
  if (budget && bytes.size() > blobLeader(field)) {
    // Every value has space of its own in the memo file, so together they
    // cannot exceed it; a damaged table that claims otherwise would make a
    // full read grow without bound.
    if (bytes.size() > *budget) corrupt("memo references overlap");
    *budget -= bytes.size();
  }
  if (bytes.empty()) return std::monostate{};
  std::string s(bytes.begin(), bytes.end());
  if (field.type == FieldType::Memo) return codec::fromTableText(s, textPage_);
  return Binary{std::move(s)};
}

Record ParadoxTable::decodeRecord(const std::uint8_t* rec, std::uint64_t* budget) const {
  Record out;
  out.reserve(hdr_.fields.size());
  for (std::size_t i = 0; i < hdr_.fields.size(); ++i) {
    const auto& f = hdr_.fields[i];
    const auto* p = rec + hdr_.offsets[i];
    out.push_back(codec::isBlob(f.type) ? readBlob(f, p, budget) : codec::decode(f, p, textPage_));
  }
  return out;
}

std::string ParadoxTable::readRaw(std::size_t ordinal) const {
  settleKeyOrder();
  const auto pos = tree_.findOrdinal(ordinal);
  if (!pos.valid())
    throw DbError(DbError::Kind::RecordGone, "No record " + std::to_string(ordinal));
  const Bytes block = data_.read(tree_.at(pos).child);
  const auto* rec = ConstDataBlock(block, hdr_.recordSize).record(ordinal - pos.before);
  return std::string(reinterpret_cast<const char*>(rec), hdr_.recordSize);
}

Record ParadoxTable::read(std::size_t ordinal) const {
  const std::string raw = readRaw(ordinal);
  return decodeRecord(reinterpret_cast<const std::uint8_t*>(raw.data()));
}

std::vector<Record> ParadoxTable::readAll() const {
  std::vector<Record> out;
  out.reserve(tree_.total());
  std::uint64_t budget = memo_.size();
  std::optional<OrderProbe> probe;
  if (!orderKnown_) probe.emplace(hdr_);
  const auto rs = hdr_.recordSize;
  for (auto pos = tree_.first(); pos.valid(); pos = tree_.next(pos)) {
    const auto& e = tree_.at(pos);
    if (e.count == 0) continue;
    // Decoding reads memo pages only, never another data block.
    const ConstDataBlock block(data_.read(e.child), rs);
    for (std::uint32_t i = 0; i < e.count; ++i) {
      if (probe) probe->see(block.record(i));
      out.push_back(decodeRecord(block.record(i), &budget));
    }
  }
  if (probe) applyStoredOrder(probe->found());
  return out;
}

std::vector<Bytes> ParadoxTable::rawRecords() const {
  std::vector<Bytes> out;
  for (auto pos = tree_.first(); pos.valid(); pos = tree_.next(pos)) {
    const auto& e = tree_.at(pos);
    if (e.count == 0) continue;
    const ConstDataBlock block(data_.read(e.child), hdr_.recordSize);
    for (std::uint32_t i = 0; i < e.count; ++i) {
      const auto* r = block.record(i);
      out.emplace_back(r, r + hdr_.recordSize);
    }
  }
  return out;
}

Bytes ParadoxTable::storedBlob(const Bytes& record, int field) const {
  const auto i = fieldIndex(field);
  const auto& f = hdr_.fields[i];
  const auto* p = &record[hdr_.offsets[i]];
  const std::size_t leader = blobLeader(f);
  if (getU32(p + leader + 4) <= leader) return {};
  return memo_.value(f, p, true);
}

Bytes ParadoxTable::mbHeaderPage() const {
  return memo_.headerPage();
}

// ---------------------------------------------------------------------------
// Changes

void ParadoxTable::requireWritable() const {
  if (!options_.writable)
    throw DbError(DbError::Kind::ReadOnly, "Table " + files_.path(kDbFile).filename().string() +
                                               " is open for reading only");
}

std::size_t ParadoxTable::fieldIndex(int field) const {
  if (field < 0 || std::cmp_greater_equal(field, hdr_.fields.size()))
    throw DbError(DbError::Kind::InvalidValue, "No field " + std::to_string(field));
  return static_cast<std::size_t>(field);
}

// A number stored in an auto-increment field (at `stored`) raises the
// counter to it.
void ParadoxTable::raiseAutoIncrement(const FieldDef& field, const std::uint8_t* stored,
                                      std::uint32_t& autoInc) const {
  const auto v = std::get<std::int32_t>(codec::decode(field, stored, hdr_.codePage));
  if (v > 0) autoInc = std::max(autoInc, static_cast<std::uint32_t>(v));
}

Bytes ParadoxTable::encodeRecord(const Record& record, std::vector<std::optional<Bytes>>& blobs,
                                 std::uint32_t& autoInc) const {
  // Fields after the values given stay empty: a writer that knows only the
  // leading fields of a table with fields appended still writes records.
  if (record.size() > hdr_.fields.size())
    throw DbError(DbError::Kind::InvalidValue, "The record has " + std::to_string(record.size()) +
                                                   " values for " +
                                                   std::to_string(hdr_.fields.size()) + " fields");
  Bytes rec(hdr_.recordSize);
  blobs.assign(hdr_.fields.size(), std::nullopt);
  for (std::size_t i = 0; i < record.size(); ++i) {
    const auto& f = hdr_.fields[i];
    auto* out = &rec[hdr_.offsets[i]];
    if (codec::isBlob(f.type)) {
      blobs[i] = MemoFile::payload(f, record[i], hdr_.codePage);
    } else if (f.type == FieldType::AutoIncrement && isNull(record[i])) {
      if (autoInc >= 2147483647u)
        throw DbError(DbError::Kind::InvalidValue, "Field '" + f.name + "': numbers used up");
      ++autoInc;
      codec::encode(f, static_cast<std::int32_t>(autoInc), out, hdr_.codePage);
    } else {
      codec::encode(f, record[i], out, hdr_.codePage);
      if (f.type == FieldType::AutoIncrement) raiseAutoIncrement(f, out, autoInc);
    }
  }
  return rec;
}

bool ParadoxTable::findInBlock(const Bytes& block, std::size_t count, const std::uint8_t* key,
                               std::size_t& index) const {
  const auto ks = hdr_.keySize();
  const ConstDataBlock view(block, hdr_.recordSize);
  std::size_t lo = 0, hi = count;
  while (lo < hi) {
    const auto mid = (lo + hi) / 2;
    const int c = keyOrder_.compare(view.record(mid), key, ks);
    if (c < 0)
      lo = mid + 1;
    else
      hi = mid;
  }
  index = lo;
  return lo < count && std::memcmp(view.record(lo), key, ks) == 0;
}

bool ParadoxTable::keyExists(const Bytes& rec) const {
  const auto pos = tree_.findKey(
      std::string_view(reinterpret_cast<const char*>(rec.data()), hdr_.keySize()), keyOrder_);
  if (!pos.valid()) return false;
  const Bytes& block = data_.read(tree_.at(pos).child);
  std::size_t index = 0;
  return findInBlock(block, tree_.at(pos).count, rec.data(), index);
}

std::size_t ParadoxTable::ordinalOfKey(const Bytes& rec) const {
  const auto pos = tree_.findKey(
      std::string_view(reinterpret_cast<const char*>(rec.data()), hdr_.keySize()), keyOrder_);
  const Bytes& block = data_.read(tree_.at(pos).child);
  std::size_t index = 0;
  findInBlock(block, tree_.at(pos).count, rec.data(), index);
  return pos.before + index;
}

std::string ParadoxTable::keyOf(const std::uint8_t* rec) const {
  if (hdr_.keyFields == 0) return {};
  return {reinterpret_cast<const char*>(rec), hdr_.keySize()};
}

std::size_t ParadoxTable::insertRecord(const Bytes& rec) {
  const bool keyed = hdr_.keyFields > 0;
  const BlockTree::Pos pos = keyed ? tree_.findKey(keyOf(rec.data()), keyOrder_) : tree_.last();
  if (!pos.valid()) {
    const BlockNo block = data_.allocate();
    DataBlock(data_.edit(block), hdr_.recordSize).insert(0, 0, rec.data());
    tree_.insertAt(tree_.root(), 0, {keyOf(rec.data()), 1, block});
    return 0;
  }
  const BlockNo block = tree_.at(pos).child;
  const std::size_t count = tree_.at(pos).count;
  std::size_t index = count;
  if (keyed) findInBlock(data_.edit(block), count, rec.data(), index);
  if (count >= data_.capacity()) return splitInsert(pos, index, rec);
  DataBlock(data_.edit(block), hdr_.recordSize).insert(index, count, rec.data());
  tree_.addCount(pos, 1);
  if (index == 0 && keyed) tree_.setKey(pos, keyOf(rec.data()));
  return pos.before + index;
}

// Full block: a new block follows it; it takes the upper half of the
// records, or only the new one when that goes to the very end.
std::size_t ParadoxTable::splitInsert(const BlockTree::Pos& pos, std::size_t index,
                                      const Bytes& rec) {
  const auto rs = hdr_.recordSize;
  const BlockNo block = tree_.at(pos).child;
  const std::size_t count = tree_.at(pos).count;
  const BlockNo oldNext = ConstDataBlock(data_.edit(block), rs).next();
  const BlockNo fresh = data_.allocate();
  // Both stay where they are while other blocks are staged: the map keeps
  // its elements in place.
  const DataBlock nb(data_.edit(fresh), rs);
  const DataBlock b(data_.edit(block), rs);
  const bool append = index == count && oldNext == 0;
  const std::size_t keep = append ? count : count / 2;
  const std::size_t moved = count - keep;
  b.moveTail(keep, count, nb);
  nb.link(block, oldNext);
  b.setNext(fresh);
  if (oldNext != 0) data_.setPrev(oldNext, fresh);
  // Put the record into its half.
  const bool intoNew = index >= keep;
  if (intoNew)
    nb.insert(index - keep, moved, rec.data());
  else
    b.insert(index, keep, rec.data());
  const std::size_t newCount = moved + (intoNew ? 1 : 0);
  // The old block lost what moved and perhaps gained the new record.
  tree_.addCount(pos, (intoNew ? 0 : 1) - static_cast<int>(moved));
  if (hdr_.keyFields > 0 && !intoNew && index == 0) tree_.setKey(pos, keyOf(rec.data()));
  tree_.insertAt(pos.node, pos.index + 1,
                 {keyOf(nb.record(0)), static_cast<std::uint32_t>(newCount), fresh});
  return pos.before + index;
}

void ParadoxTable::removeRecord(const BlockTree::Pos& pos, std::size_t index) {
  const BlockNo block = tree_.at(pos).child;
  const std::size_t count = tree_.at(pos).count;
  const DataBlock b(data_.edit(block), hdr_.recordSize);
  if (count > 1) {
    b.erase(index, count);
    tree_.addCount(pos, -1);
    if (index == 0 && hdr_.keyFields > 0) tree_.setKey(pos, keyOf(b.record(0)));
    return;
  }
  // The block empties: unlink it from the chain and put it on the free list.
  const BlockNo next = b.next();
  const BlockNo prev = b.prev();
  if (prev) data_.setNext(prev, next);
  if (next) data_.setPrev(next, prev);
  data_.release(block);
  tree_.erase(pos);
}

std::size_t ParadoxTable::insert(const Record& record) {
  settleKeyOrder();
  requireWritable();
  std::vector<std::optional<Bytes>> blobs;
  std::uint32_t autoInc = hdr_.autoIncrement();
  Bytes rec = encodeRecord(record, blobs, autoInc);
  if (hdr_.keyFields > 0 && keyExists(rec))
    throw DbError(DbError::Kind::KeyViolation, "Key violation.");
  std::size_t ordinal = 0;
  change([&] {
    for (std::size_t i = 0; i < blobs.size(); ++i)
      if (blobs[i]) memo_.store(hdr_.fields[i], *blobs[i], &rec[hdr_.offsets[i]]);
    ordinal = insertRecord(rec);
    hdr_.setNumRecords(tree_.total());
    hdr_.setAutoIncrement(autoInc);
  });
  info_.autoIncrement = autoInc;
  return ordinal;
}

Bytes ParadoxTable::changedRecord(const Bytes& old, const FieldChanges& changes,
                                  std::vector<std::pair<int, Bytes>>& blobs,
                                  std::uint32_t& autoInc) const {
  Bytes rec = old;
  blobs.clear();
  for (const auto& [field, value] : changes) {
    const auto i = fieldIndex(field);
    const auto& f = hdr_.fields[i];
    auto* out = &rec[hdr_.offsets[i]];
    if (codec::isBlob(f.type)) {
      blobs.emplace_back(field, MemoFile::payload(f, value, hdr_.codePage));
    } else {
      codec::encode(f, value, out, hdr_.codePage);
      if (f.type == FieldType::AutoIncrement && !isNull(value)) raiseAutoIncrement(f, out, autoInc);
    }
  }
  return rec;
}

void ParadoxTable::replaceBlobs(const std::vector<std::pair<int, Bytes>>& blobs, const Bytes& old,
                                Bytes& rec) {
  for (const auto& [field, payload] : blobs) {
    const auto i = fieldIndex(field);
    const auto& f = hdr_.fields[i];
    const auto off = hdr_.offsets[i];
    memo_.release(f, &old[off]);
    memo_.store(f, payload, &rec[off]);
  }
}

bool ParadoxTable::keyDiffers(const Bytes& a, const Bytes& b) const {
  return hdr_.keyFields > 0 && std::memcmp(a.data(), b.data(), hdr_.keySize()) != 0;
}

std::size_t ParadoxTable::update(std::size_t ordinal, const FieldChanges& changes) {
  settleKeyOrder();
  requireWritable();
  const auto pos = tree_.findOrdinal(ordinal);
  if (!pos.valid())
    throw DbError(DbError::Kind::RecordGone, "No record " + std::to_string(ordinal));
  const std::size_t index = ordinal - pos.before;
  const std::string oldRaw = readRaw(ordinal);
  const Bytes old(oldRaw.begin(), oldRaw.end());
  std::vector<std::pair<int, Bytes>> blobs;
  std::uint32_t autoInc = hdr_.autoIncrement();
  Bytes rec = changedRecord(old, changes, blobs, autoInc);
  const bool keyChanged = keyDiffers(rec, old);
  if (keyChanged && keyExists(rec)) throw DbError(DbError::Kind::KeyViolation, "Key violation.");
  change([&] {
    replaceBlobs(blobs, old, rec);
    if (keyChanged) {
      removeRecord(pos, index);
      insertRecord(rec);
    } else {
      DataBlock(data_.edit(tree_.at(pos).child), hdr_.recordSize).put(index, rec.data());
    }
    hdr_.setAutoIncrement(autoInc);
  });
  info_.autoIncrement = autoInc;
  return keyChanged ? ordinalOfKey(rec) : ordinal;
}

void ParadoxTable::remove(std::size_t ordinal) {
  removeMany({ordinal});
}

// Splits leave blocks half full when records do not arrive in key order. A
// batch that made most of the table (an import) has it written afresh with
// every block full, as pack would; the file never ends up shorter than it
// was, so the journal can always give the old one back.
void ParadoxTable::compactAfterGrowth(BlockNo blocksBefore) {
  const std::size_t records = tree_.total();
  if (records == 0) return;
  const auto capacity = data_.capacity();
  // No more blocks than the table has now.
  const auto need = static_cast<BlockNo>((records + capacity - 1) / capacity);
  const bool wasteful = tree_.blockCount() * 10 > need * std::size_t{11};
  const BlockNo fileBlocks = data_.blocks();
  if (!wasteful || blocksBefore > need || fileBlocks < blocksBefore ||
      (fileBlocks - blocksBefore) * 2 < need)
    return;
  auto chain = data_.pack(tree_, blocksBefore);
  tree_ = BlockTree(tree_.capacity());
  tree_.build(std::move(chain));
  tree_.takeDirty();
  if (hdr_.keyFields > 0) index_.rebuild();
}

void ParadoxTable::commit() {
  std::vector<PendingWrite> writes;
  std::array<std::optional<std::uint64_t>, kFileCount> sizes;
  const auto first = tree_.first(), last = tree_.last();
  // The chain has at most data_.blocks() blocks.
  hdr_.setBlocks(tree_.blockCount(), data_.blocks(), first.valid() ? tree_.at(first).child : 0,
                 last.valid() ? tree_.at(last).child : 0);
  hdr_.setNumRecords(tree_.total());
  hdr_.touch();
  writes.push_back({kDbFile, 0, Bytes(hdr_.raw.data(), hdr_.raw.data() + hdr_.mutablePrefix())});
  data_.stage(writes, sizes[kDbFile]);
  if (hdr_.keyFields > 0) {
    if (!files_.isOpen(kPxFile)) files_.create(kPxFile, {});
    index_.stage(hdr_, key_, tree_, writes, sizes[kPxFile]);
  } else {
    tree_.takeDirty();
  }
  memo_.stage(writes, sizes[kMbFile]);
  files_.commit(std::move(writes), sizes);
  data_.drop();
  memo_.dropStaged();
}

// Stages one change and commits it through the journal; a failure anywhere
// throws the staged state away, so the table stays as it was.
void ParadoxTable::change(const std::function<void()>& stage) {
  if (batchDepth_ > 0) {
    // Inside a batch the change is only staged; a failure half way spoils
    // the whole batch, since its part-staged state cannot be taken back alone.
    if (batchFailed_)
      throw DbError(DbError::Kind::General, "Nothing was written: a change of the batch failed");
    try {
      batchStaged_ = true;
      stage();
    } catch (...) {
      batchFailed_ = true;
      throw;
    }
    return;
  }
  try {
    stage();
    commit();
  } catch (...) {
    discard();
    throw;
  }
}

void ParadoxTable::discard() {
  // The staged state is thrown away and the table is read again from disk,
  // which the journal has put back as it was.
  data_.drop();
  load();
}

}  // namespace torvelle::format

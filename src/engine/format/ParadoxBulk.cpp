// The Paradox table's changes to many records at once and its key search:
// batches, the same change to many records, removal of many, key ranges.
#include <algorithm>
#include <cstring>

#include "engine/DbError.h"
#include "engine/format/DataBlock.h"
#include "engine/format/FieldCodec.h"
#include "engine/format/ParadoxTable.h"

namespace torvelle::format {

using engine::DbError;

std::vector<std::size_t> ParadoxTable::updateMany(const std::vector<std::size_t>& ordinals,
                                                  const FieldChanges& changes) {
  settleKeyOrder();
  requireWritable();
  struct Item {
    std::size_t ordinal;
    Bytes old, rec;
    bool moves;
  };
  std::vector<Item> items;
  items.reserve(ordinals.size());
  std::vector<std::pair<int, Bytes>> blobs;
  std::uint32_t autoInc = hdr_.autoIncrement();
  for (const std::size_t ordinal : ordinals) {
    if (ordinal >= recordCount())
      throw DbError(DbError::Kind::RecordGone, "No record " + std::to_string(ordinal));
    const std::string raw = readRaw(ordinal);
    Bytes old(raw.begin(), raw.end());
    Bytes rec = changedRecord(old, changes, blobs, autoInc);
    const bool moves = keyDiffers(rec, old);
    items.push_back({ordinal, std::move(old), std::move(rec), moves});
  }
  change([&] {
    // Records that keep their key are rewritten first, while every ordinal
    // still holds; then the others leave, from the back, and come back
    // under their new keys.
    for (auto& item : items) {
      replaceBlobs(blobs, item.old, item.rec);
      if (item.moves) continue;
      const auto pos = tree_.findOrdinal(item.ordinal);
      DataBlock(data_.edit(tree_.at(pos).child), hdr_.recordSize)
          .put(item.ordinal - pos.before, item.rec.data());
    }
    std::vector<Item*> moving;
    for (auto& item : items)
      if (item.moves) moving.push_back(&item);
    std::sort(moving.begin(), moving.end(),
              [](const Item* a, const Item* b) { return a->ordinal > b->ordinal; });
    for (const Item* item : moving) {
      const auto pos = tree_.findOrdinal(item->ordinal);
      removeRecord(pos, item->ordinal - pos.before);
    }
    for (const Item* item : moving) {
      if (keyExists(item->rec)) throw DbError(DbError::Kind::KeyViolation, "Key violation.");
      insertRecord(item->rec);
    }
    hdr_.setAutoIncrement(autoInc);
  });
  info_.autoIncrement = autoInc;
  std::vector<std::size_t> out;
  out.reserve(items.size());
  for (const auto& item : items)
    out.push_back(hdr_.keyFields > 0 ? ordinalOfKey(item.rec) : item.ordinal);
  return out;
}

void ParadoxTable::removeMany(std::vector<std::size_t> ordinals) {
  settleKeyOrder();
  requireWritable();
  std::sort(ordinals.begin(), ordinals.end(), std::greater<>());
  for (const std::size_t ordinal : ordinals)
    if (ordinal >= recordCount())
      throw DbError(DbError::Kind::RecordGone, "No record " + std::to_string(ordinal));
  change([&] {
    // From the back, so that the ordinals still to go hold.
    for (const std::size_t ordinal : ordinals) {
      const auto pos = tree_.findOrdinal(ordinal);
      const std::string raw = readRaw(ordinal);
      for (std::size_t i = 0; i < hdr_.fields.size(); ++i)
        if (codec::isBlob(hdr_.fields[i].type))
          memo_.release(hdr_.fields[i],
                        reinterpret_cast<const std::uint8_t*>(raw.data()) + hdr_.offsets[i]);
      removeRecord(pos, ordinal - pos.before);
    }
    hdr_.setNumRecords(tree_.total());
  });
}

std::pair<std::size_t, std::size_t> ParadoxTable::keyRange(const Record& key) const {
  settleKeyOrder();
  if (hdr_.keyFields == 0 || key.empty() || key.size() > hdr_.keyFields)
    throw DbError(DbError::Kind::General, "The key does not fit the table's primary key");
  Bytes prefix(hdr_.keySize());
  for (std::size_t i = 0; i < key.size(); ++i)
    codec::encode(hdr_.fields[i], key[i], &prefix[hdr_.offsets[i]], hdr_.codePage);
  const auto last = key.size() - 1;
  prefix.resize(hdr_.offsets[last] + hdr_.fieldBytes(last));
  return {keyBound(prefix, false), keyBound(prefix, true)};
}

// The ordinal of the first record whose key starts after `prefix` (upper) or
// not before it.
std::size_t ParadoxTable::keyBound(const Bytes& prefix, bool upper) const {
  // A block may start inside the run of equal prefixes: the lower bound
  // starts from the last block that starts before the run, the upper one
  // from the last block that starts inside it.
  const std::string_view probe(reinterpret_cast<const char*>(prefix.data()), prefix.size());
  const auto pos = tree_.findKey(probe, keyOrder_, upper);
  if (!pos.valid()) return 0;
  const auto& entry = tree_.at(pos);
  const Bytes data = data_.read(entry.child);
  const ConstDataBlock block(data, hdr_.recordSize);
  std::size_t lo = 0, hi = entry.count;
  while (lo < hi) {
    const auto mid = (lo + hi) / 2;
    const int c = keyOrder_.compare(block.record(mid), prefix.data(), prefix.size());
    if (upper ? c <= 0 : c < 0)
      lo = mid + 1;
    else
      hi = mid;
  }
  return pos.before + lo;
}

void ParadoxTable::batch(const std::function<void()>& work) {
  requireWritable();
  settleKeyOrder();
  if (batchDepth_ > 0) {
    work();
    return;
  }
  batchDepth_ = 1;
  batchStaged_ = batchFailed_ = false;
  const BlockNo blocksBefore = data_.blocks();
  try {
    work();
    if (batchFailed_)
      throw DbError(DbError::Kind::General, "Nothing was written: a change of the batch failed");
    batchDepth_ = 0;
    if (batchStaged_) {
      compactAfterGrowth(blocksBefore);
      commit();
    }
  } catch (...) {
    batchDepth_ = 0;
    discard();
    throw;
  }
}

}  // namespace torvelle::format

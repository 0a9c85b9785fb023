#include "engine/RowOrder.h"

#include <algorithm>
#include <numeric>

#include "engine/DbError.h"
#include "engine/FieldText.h"

namespace torvelle::engine {

void RowOrder::setIndex(std::vector<int> fields, int keyFieldCount) {
  indexFields_ = std::move(fields);
  ownOrder_ = static_cast<int>(indexFields_.size()) > keyFieldCount;
  for (std::size_t i = 0; !ownOrder_ && i < indexFields_.size(); ++i)
    ownOrder_ = indexFields_[i] != static_cast<int>(i);
}

bool RowOrder::isIndexField(int field) const {
  return std::find(indexFields_.begin(), indexFields_.end(), field) != indexFields_.end();
}

void RowOrder::load(std::vector<StoredRow> rows) {
  rows_ = std::move(rows);
  fileOrder_.resize(rows_.size());
  std::iota(fileOrder_.begin(), fileOrder_.end(), 0u);
  renumber(fileOrder_, &StoredRow::filePos);
  ++generation_;
  sort();
}

void RowOrder::clear() {
  std::vector<StoredRow>().swap(rows_);
  order_.clear();
  fileOrder_.clear();
}

bool RowOrder::less(std::uint32_t a, std::uint32_t b) const {
  const StoredRow& ra = rows_[a];
  const StoredRow& rb = rows_[b];
  for (int f : indexFields_) {
    const int c = compareValues(ra.values[static_cast<std::size_t>(f)],
                                rb.values[static_cast<std::size_t>(f)]);
    if (c != 0) return c < 0;
  }
  return ra.filePos < rb.filePos;
}

void RowOrder::sort() {
  order_ = fileOrder_;
  if (ownOrder_)
    std::sort(order_.begin(), order_.end(),
              [this](std::uint32_t a, std::uint32_t b) { return less(a, b); });
  renumber(order_, &StoredRow::orderPos);
}

// Each row of `slots` from `from` on learns its index there, in the position
// field that list keeps (orderPos for order_, filePos for fileOrder_).
void RowOrder::renumber(const std::vector<std::uint32_t>& slots, std::uint32_t StoredRow::*position,
                        std::size_t from) {
  for (std::size_t i = from; i < slots.size(); ++i)
    rows_[slots[i]].*position = static_cast<std::uint32_t>(i);
}

void RowOrder::place(std::uint32_t slot, std::size_t ordinal) {
  fileOrder_.insert(fileOrder_.begin() + static_cast<std::ptrdiff_t>(ordinal), slot);
  renumber(fileOrder_, &StoredRow::filePos, ordinal);
  std::size_t pos = ordinal;
  if (ownOrder_)
    pos = static_cast<std::size_t>(
        std::upper_bound(order_.begin(), order_.end(), slot,
                         [this](std::uint32_t a, std::uint32_t b) { return less(a, b); }) -
        order_.begin());
  order_.insert(order_.begin() + static_cast<std::ptrdiff_t>(pos), slot);
  renumber(order_, &StoredRow::orderPos, pos);
}

void RowOrder::drop(std::uint32_t slot) {
  const std::size_t f = rows_[slot].filePos;
  fileOrder_.erase(fileOrder_.begin() + static_cast<std::ptrdiff_t>(f));
  renumber(fileOrder_, &StoredRow::filePos, f);
  const std::size_t o = rows_[slot].orderPos;
  order_.erase(order_.begin() + static_cast<std::ptrdiff_t>(o));
  renumber(order_, &StoredRow::orderPos, o);
}

std::uint32_t RowOrder::add(StoredRow row, std::size_t ordinal) {
  const auto slot = static_cast<std::uint32_t>(rows_.size());
  rows_.push_back(std::move(row));
  place(slot, ordinal);
  return slot;
}

void RowOrder::move(std::uint32_t slot, std::size_t ordinal) {
  drop(slot);
  place(slot, ordinal);
}

void RowOrder::remove(std::uint32_t slot) {
  drop(slot);
  rows_[slot].alive = false;
  rows_[slot].values.clear();
  rows_[slot].texts.clear();
}

void RowOrder::removeMany(const std::vector<std::uint32_t>& slots) {
  for (const auto slot : slots) {
    rows_[slot].alive = false;
    rows_[slot].values.clear();
    rows_[slot].texts.clear();
  }
  const auto dead = [this](std::uint32_t slot) { return !rows_[slot].alive; };
  fileOrder_.erase(std::remove_if(fileOrder_.begin(), fileOrder_.end(), dead), fileOrder_.end());
  order_.erase(std::remove_if(order_.begin(), order_.end(), dead), order_.end());
  renumber(fileOrder_, &StoredRow::filePos);
  renumber(order_, &StoredRow::orderPos);
}

void RowOrder::placeInFile(const std::vector<std::uint32_t>& slots,
                           const std::vector<std::size_t>& ordinals) {
  std::vector<std::uint32_t> placed(fileOrder_.size(), kNoSlot);
  for (std::size_t i = 0; i < slots.size(); ++i) placed[ordinals[i]] = slots[i];
  std::size_t next = 0;
  for (const std::uint32_t slot : fileOrder_) {
    if (std::binary_search(slots.begin(), slots.end(), slot)) continue;
    while (placed[next] != kNoSlot) ++next;
    placed[next++] = slot;
  }
  fileOrder_ = std::move(placed);
  renumber(fileOrder_, &StoredRow::filePos);
}

format::Record RowOrder::probe(const format::Record& key,
                               const std::vector<format::FieldDef>& fields) const {
  if (indexFields_.empty())
    throw DbError(DbError::Kind::General, "The table has no index to search.");
  if (key.empty() || key.size() > indexFields_.size())
    throw DbError(DbError::Kind::General, "The key does not fit the index.");
  format::Record probe;
  for (std::size_t i = 0; i < key.size(); ++i)
    probe.push_back(coerceValue(fields[static_cast<std::size_t>(indexFields_[i])], key[i]));
  return probe;
}

std::pair<std::size_t, std::size_t> RowOrder::range(const format::Record& probe) const {
  const auto cmp = [&](std::uint32_t slot) {
    const format::Record& values = rows_[slot].values;
    for (std::size_t i = 0; i < probe.size(); ++i)
      if (const int c = compareValues(values[static_cast<std::size_t>(indexFields_[i])], probe[i]))
        return c;
    return 0;
  };
  const auto lo = std::partition_point(order_.begin(), order_.end(),
                                       [&](std::uint32_t s) { return cmp(s) < 0; });
  const auto hi =
      std::partition_point(lo, order_.end(), [&](std::uint32_t s) { return cmp(s) == 0; });
  return {static_cast<std::size_t>(lo - order_.begin()),
          static_cast<std::size_t>(hi - order_.begin())};
}

}  // namespace torvelle::engine

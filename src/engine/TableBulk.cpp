// A table's records found by key and by bookmark, and its changes to many
// records at once.
#include <algorithm>

#include "engine/DbError.h"
#include "engine/FieldText.h"
#include "engine/Table.h"

namespace torvelle::engine {

using format::Record;
using format::Value;
using Kind = DbError::Kind;

// --- Key search -----------------------------------------------------------

std::pair<std::size_t, std::size_t> Table::orderRangeOf(const Record& key) const {
  const Record probe = rows_.probe(key, shape_.fields());
  if (!rows_.ownOrder()) {
    // The primary key's order is the file's: ask the file, which knows how
    // its keys compare.
    try {
      return file_->keyRange(probe);
    } catch (const DbError& e) {
      if (e.kind() == Kind::InvalidValue) return {0, 0};  // no stored key can hold it
      throw;
    }
  }
  return rows_.range(probe);
}

bool Table::findKey(const Value& value) {
  requireOpen();
  checkBrowseMode();
  const auto [lo, hi] = orderRangeOf({value});
  for (std::size_t p = lo; p < hi; ++p) {
    const std::uint32_t slot = rows_.inOrder()[p];
    if (!range_.contains(rows_.row(slot).values)) continue;
    auto pos = findVisible(slot);
    if (!pos) {
      // A record the filter hid: it joins the visible rows until the next
      // re-filter, so that a loop over all records of a key reaches it.
      pos = visiblePosFor(slot);
      insertVisible(*pos, slot);
    }
    setCurrent(pos);
    return true;
  }
  return false;
}

std::vector<Bookmark> Table::bookmarksWithKey(const Record& key) const {
  requireOpen();
  const auto [lo, hi] = orderRangeOf(key);
  std::vector<Bookmark> out;
  out.reserve(hi - lo);
  for (std::size_t p = lo; p < hi; ++p) out.push_back({rows_.generation(), rows_.inOrder()[p]});
  return out;
}

// --- Changes to many records ----------------------------------------------

std::vector<std::uint32_t> Table::slotsOfBookmarks(const std::vector<Bookmark>& bookmarks) const {
  std::vector<std::uint32_t> slots;
  slots.reserve(bookmarks.size());
  for (const auto& b : bookmarks) {
    const auto slot = slotOf(b);
    if (!slot) throw DbError(Kind::RecordGone, "Record/Key deleted.");
    slots.push_back(*slot);
  }
  std::sort(slots.begin(), slots.end());
  slots.erase(std::unique(slots.begin(), slots.end()), slots.end());
  return slots;
}

void Table::updateRecords(const std::vector<Bookmark>& bookmarks,
                          const format::FieldChanges& changes) {
  requireWritable();
  checkBrowseMode();
  const auto slots = slotsOfBookmarks(bookmarks);
  if (slots.empty() || changes.empty()) return;
  format::FieldChanges coerced;
  bool touchesIndex = false;
  for (const auto& [f, v] : changes) {
    if (f < 0 || f >= static_cast<int>(shape_.fields().size()))
      throw DbError(Kind::InvalidValue, "No field at position " + std::to_string(f) + ".");
    coerced.emplace_back(f, coerceValue(shape_.fields()[static_cast<std::size_t>(f)], v));
    touchesIndex = touchesIndex || rows_.isIndexField(f);
  }
  std::vector<std::size_t> ordinals;
  ordinals.reserve(slots.size());
  for (const auto slot : slots) ordinals.push_back(rows_.row(slot).filePos);
  std::vector<std::size_t> finals;
  // Memory is touched only once the file holds the change: a failure leaves both as they were.
  file_->batch([&] { finals = file_->updateMany(ordinals, coerced); });

  const std::uint32_t keep = currentSlot();
  bool moved = false;
  for (std::size_t i = 0; i < slots.size(); ++i) {
    StoredRow& row = rows_.row(slots[i]);
    row.values = file_->read(finals[i]);
    fillTexts(row.values, row.texts);
    row.folded.clear();
    moved = moved || finals[i] != ordinals[i];
  }
  if (moved) rows_.placeInFile(slots, finals);
  if (moved || (rows_.ownOrder() && touchesIndex)) rows_.sort();
  showRows(keep, current_.value_or(0));
}

void Table::removeRecords(const std::vector<Bookmark>& bookmarks) {
  requireWritable();
  checkBrowseMode();
  const auto slots = slotsOfBookmarks(bookmarks);
  if (slots.empty()) return;
  std::vector<std::size_t> ordinals;
  ordinals.reserve(slots.size());
  for (const auto slot : slots) ordinals.push_back(rows_.row(slot).filePos);
  file_->batch([&] { file_->removeMany(ordinals); });

  const std::uint32_t keep = currentSlot();
  rows_.removeMany(slots);
  showRows(keep, current_.value_or(0));
}

void Table::batchChange(const std::function<void(format::TableFile&)>& work) {
  requireWritable();
  checkBrowseMode();
  // The current record is found again by its values: the rows read back are new slots.
  std::optional<format::Record> kept;
  if (current_ && currentSlot() != kPending) kept = rows_.row(currentSlot()).values;
  file_->batch([&] { work(*file_); });

  loadRows(file_->readAll());
  std::uint32_t keep = kPending;
  if (kept) {
    for (std::uint32_t slot = 0; slot < rows_.slotCount(); ++slot) {
      if (rows_.row(slot).values == *kept) {
        keep = slot;
        break;
      }
    }
  }
  range_.follow(master_);
  showRows(keep, current_.value_or(0));
}

void Table::trialChange(const std::function<void(format::TableFile&)>& work) {
  requireWritable();
  checkBrowseMode();
  struct TrialOver {};
  try {
    file_->batch([&] {
      work(*file_);
      throw TrialOver{};
    });
  } catch (const TrialOver&) {
  }
}

// --- Bookmarks ------------------------------------------------------------

Bookmark Table::bookmark() const {
  if (!isOpen() || !current_) return {};
  const std::uint32_t slot = slotAt(*current_);
  if (slot == kPending) return {};
  return {rows_.generation(), slot};
}

// The slot of a bookmark of this reading whose record is still stored.
std::optional<std::uint32_t> Table::slotOf(const Bookmark& bookmark) const {
  if (bookmark.generation != rows_.generation() || !rows_.holds(bookmark.slot)) return std::nullopt;
  return bookmark.slot;
}

std::optional<std::size_t> Table::rowOfBookmark(const Bookmark& bookmark) const {
  if (!isOpen()) return std::nullopt;
  const auto slot = slotOf(bookmark);
  return slot ? findVisible(*slot) : std::nullopt;
}

void Table::gotoBookmark(const Bookmark& bookmark) {
  requireOpen();
  checkBrowseMode();
  const auto slot = slotOf(bookmark);
  if (!slot) throw DbError(Kind::RecordGone, "Record/Key deleted.");
  const auto pos = findVisible(*slot);
  if (!pos) throw DbError(Kind::RecordGone, "Record not found.");
  setCurrent(pos);
}

}  // namespace torvelle::engine

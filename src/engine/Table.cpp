#include "engine/Table.h"

#include "engine/RecordIdentity.h"

#include <algorithm>

#include "engine/DataSource.h"
#include "engine/DbError.h"
#include "engine/FieldText.h"
#include "engine/Session.h"
#include "engine/format/FieldCodec.h"
#include "support/AsciiText.h"

namespace torvelle::engine {

using format::Record;
using format::Value;
using Kind = DbError::Kind;

namespace {

std::vector<std::string> splitNames(const std::string& names) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (start <= names.size()) {
    const std::size_t end = std::min(names.find(';', start), names.size());
    const std::string_view part =
        support::trimmed(std::string_view(names).substr(start, end - start));
    if (!part.empty()) out.emplace_back(part);
    start = end + 1;
  }
  return out;
}

}  // namespace

// Follows the master's current record through its data source.
class Table::MasterLink : public TableObserver {
 public:
  explicit MasterLink(Table& detail) : detail_(detail) {}
  void tableReset(Table&) override { detail_.masterChanged(); }
  void currentChanged(Table&) override { detail_.masterChanged(); }
  void stateChanged(Table&) override { detail_.masterChanged(); }
  void rowChanged(Table& master, std::size_t row) override {
    if (master.currentRow() == row) detail_.masterChanged();
  }
  void fieldChanged(Table&, int) override { detail_.masterChanged(); }
  void observedGone() override { detail_.master_ = nullptr; }

 private:
  Table& detail_;
};

Table::Table(Session& session) : session_(session), link_(std::make_unique<MasterLink>(*this)) {}

Table::~Table() {
  if (master_) master_->removeObserver(link_.get());
  observers_.notifyGone();
}

// --- Set-up ---------------------------------------------------------------

void Table::setTableName(std::filesystem::path path) {
  if (isOpen()) throw DbError(Kind::General, "Cannot change the table name of an open table.");
  path_ = std::move(path);
}

void Table::setReadOnly(bool readOnly) {
  if (isOpen()) throw DbError(Kind::General, "Cannot change the access of an open table.");
  readOnly_ = readOnly;
}

void Table::setIndexFieldNames(const std::string& names) {
  if (!isOpen()) {
    indexNames_ = names;
    return;
  }
  checkBrowseMode();
  const std::string previous = indexNames_;
  indexNames_ = names;
  try {
    resolveIndex();
  } catch (...) {
    indexNames_ = previous;
    resolveIndex();
    throw;
  }
  const std::uint32_t keep = currentSlot();
  rows_.sort();
  linkRange();
  showRows(keep);
}

void Table::setMasterSource(DataSource* source) {
  if (source == master_) return;
  if (isOpen()) checkBrowseMode();
  if (master_) master_->removeObserver(link_.get());
  master_ = source;
  if (master_) master_->addObserver(link_.get());
  if (!isOpen()) return;
  const std::uint32_t keep = currentSlot();
  linkRange();
  // Cutting the link keeps the current record; linking starts at the first.
  showRows(master_ ? kPending : keep);
}

void Table::setMasterFields(const std::string& names) {
  masterNames_ = names;
  if (isOpen()) {
    checkBrowseMode();
    linkRange();
    showRows();
  }
}

void Table::addObserver(TableObserver* observer) {
  observers_.add(observer);
}

void Table::removeObserver(TableObserver* observer) {
  observers_.remove(observer);
}

void Table::notifyReset() {
  observers_.notify([this](TableObserver& o) { o.tableReset(*this); });
  observers_.notify([this](TableObserver& o) { o.currentChanged(*this); });
}

void Table::setState(TableState state) {
  state_ = state;
  observers_.notify([this](TableObserver& o) { o.stateChanged(*this); });
}

// The visible rows are taken afresh: the record in `keep` stays current when
// it is still visible, else the row `fallback` (clamped) is; then one reset.
void Table::showRows(std::uint32_t keep, std::size_t fallback) {
  rebuildVisible();
  auto pos = findVisible(keep);
  if (!pos && !visible_.empty()) pos = std::min(fallback, visible_.size() - 1);
  current_ = pos;
  eof_ = visible_.empty();
  bof_ = !pos || *pos == 0;
  notifyReset();
}

// The pending insert or edit is gone (posted, cancelled or deleted): back to
// browsing with nothing buffered.
void Table::clearPending() {
  state_ = TableState::Browse;
  pending_.clear();
}

// --- Open and close -------------------------------------------------------

void Table::open() {
  if (isOpen()) return;
  if (path_.empty()) throw DbError(Kind::NotFound, "No table name given.");
  auto file = session_.openFile(path_, !readOnly_);
  shape_.reset(file->info().fields, file->info().codePage);
  keyFieldCount_ = file->info().keyFieldCount;
  resolveIndex();
  auto records = file->readAll();

  file_ = std::move(file);
  loadRows(std::move(records));
  emptyRecord_.assign(shape_.fields().size(), std::monostate{});
  emptyTexts_.assign(shape_.textCount(), std::string());
  emptyFolded_.clear();
  pending_.clear();
  state_ = TableState::Browse;
  linkRange();
  showRows();
  observers_.notify([this](TableObserver& o) { o.stateChanged(*this); });
}

void Table::close() {
  if (!isOpen()) return;
  const bool pending = state_ == TableState::Insert || state_ == TableState::Edit;
  file_.reset();
  rows_.clear();
  visible_.clear();
  clearPending();
  rangeCount_ = 0;
  current_.reset();
  eof_ = bof_ = true;
  state_ = TableState::Inactive;
  notifyReset();
  observers_.notify([this](TableObserver& o) { o.stateChanged(*this); });
  if (pending && events_.afterCancel) events_.afterCancel(*this);
}

std::string Table::driverType() const {
  requireOpen();
  return "PARADOX";
}

const format::TableInfo& Table::info() const {
  requireOpen();
  return file_->info();
}

const format::TableFile& Table::file() const {
  requireOpen();
  return *file_;
}

void Table::requireOpen() const {
  if (!isOpen()) throw DbError(Kind::General, "Cannot perform this operation on a closed table.");
}

void Table::requireCurrent() const {
  requireOpen();
  if (!current_) throw DbError(Kind::General, "Cannot perform this operation on an empty table.");
}

void Table::requireWritable() const {
  requireOpen();
  if (readOnly_) throw DbError(Kind::ReadOnly, "Table is read-only.");
}

// --- Order ----------------------------------------------------------------

void Table::resolveIndex() {
  std::vector<int> fields;
  for (const auto& name : splitNames(indexNames_)) fields.push_back(shape_.requireField(name));
  if (fields.empty())
    for (int i = 0; i < keyFieldCount_; ++i) fields.push_back(i);
  rows_.setIndex(std::move(fields), keyFieldCount_);
}

// The master fields and the master's current values, taken afresh.
void Table::linkRange() {
  range_.setFields(master_ ? splitNames(masterNames_) : std::vector<std::string>(),
                   rows_.indexFields(), shape_);
  range_.follow(master_);
}

void Table::fillTexts(const Record& values, std::vector<std::string>& texts) const {
  texts.resize(shape_.textCount());
  const auto& formats = session_.displayFormats();
  for (std::size_t i = 0; i < values.size(); ++i) {
    const int slot = shape_.textSlot(static_cast<int>(i));
    if (slot >= 0) texts[static_cast<std::size_t>(slot)] = valueText(values[i], formats);
  }
}

// --- Range and filter -----------------------------------------------------

bool Table::passesFilter(const Record& values, const std::vector<std::string>& texts,
                         std::string& folded, bool& reported) const {
  if (!filtered_ || !events_.filterRecord) return true;
  try {
    return events_.filterRecord(RecordView(shape_, values, texts.data(), &folded));
  } catch (...) {
    // The record passes. One report per pass: a failing test would otherwise
    // raise one error box per record.
    if (!reported) session_.reportError(std::current_exception());
    reported = true;
    return true;
  }
}

void Table::rebuildVisible() {
  visible_.clear();
  rangeCount_ = 0;
  if (range_.empty()) return;
  bool reported = false;
  for (const std::uint32_t slot : rows_.inOrder()) {
    const StoredRow& row = rows_.row(slot);
    if (!range_.contains(row.values)) continue;
    ++rangeCount_;
    if (passesFilter(row.values, row.texts, row.folded, reported)) visible_.push_back(slot);
  }
}

std::size_t Table::visiblePosFor(std::uint32_t slot) const {
  const std::uint32_t pos = rows_.row(slot).orderPos;
  return static_cast<std::size_t>(std::lower_bound(visible_.begin(), visible_.end(), pos,
                                                   [this](std::uint32_t s, std::uint32_t p) {
                                                     return rows_.row(s).orderPos < p;
                                                   }) -
                                  visible_.begin());
}

std::optional<std::size_t> Table::findVisible(std::uint32_t slot) const {
  if (!rows_.holds(slot)) return std::nullopt;
  if (state_ == TableState::Insert) {
    // The pending row has no place in the order; search plainly.
    const auto it = std::find(visible_.begin(), visible_.end(), slot);
    if (it == visible_.end()) return std::nullopt;
    return static_cast<std::size_t>(it - visible_.begin());
  }
  const std::size_t pos = visiblePosFor(slot);
  if (pos < visible_.size() && visible_[pos] == slot) return pos;
  return std::nullopt;
}

void Table::masterChanged() {
  if (!isOpen()) return;
  MasterRange next = range_;
  // Taken even when unchanged: values that compare equal may differ in form
  // (0 and -0), and new records copy them.
  const bool changed = next.follow(master_);
  // A pending edit belongs to the old range: end it there first.
  if (changed) checkBrowseMode();
  range_ = std::move(next);
  if (changed) showRows();
}

// --- Moving ---------------------------------------------------------------

void Table::setCurrent(std::optional<std::size_t> row, bool eof, bool bof) {
  current_ = row;
  eof_ = eof || visible_.empty();
  bof_ = bof || visible_.empty();
  observers_.notify([this](TableObserver& o) { o.currentChanged(*this); });
}

void Table::setFiltered(bool filtered) {
  if (!isOpen()) {
    filtered_ = filtered;
    return;
  }
  checkBrowseMode();
  filtered_ = filtered;
  showRows();
}

void Table::first() {
  requireOpen();
  checkBrowseMode();
  setCurrent(visible_.empty() ? std::nullopt : std::optional<std::size_t>(0), false, true);
}

void Table::last() {
  requireOpen();
  checkBrowseMode();
  setCurrent(visible_.empty() ? std::nullopt : std::optional(visible_.size() - 1), true, false);
}

void Table::next() {
  requireOpen();
  checkBrowseMode();
  if (!current_ || *current_ + 1 >= visible_.size()) {
    setCurrent(current_, true, false);
    return;
  }
  setCurrent(*current_ + 1);
}

void Table::prior() {
  requireOpen();
  checkBrowseMode();
  if (!current_ || *current_ == 0) {
    setCurrent(current_, false, true);
    return;
  }
  setCurrent(*current_ - 1);
}

void Table::moveTo(std::size_t row) {
  requireOpen();
  if (row >= visible_.size()) throw DbError(Kind::General, "Row out of range.");
  const std::uint32_t slot = slotAt(row);
  if (slot == kPending || (state_ == TableState::Edit && slot == pending_.slot())) return;
  checkBrowseMode();
  // Ending the edit may have moved rows: find the record again.
  setCurrent(findVisible(slot));
}

std::size_t Table::recordCount() const {
  requireOpen();
  return rangeCount_;
}

// Takes the records in file order as the table's rows, in the index order.
void Table::loadRows(std::vector<format::Record> records) {
  std::vector<StoredRow> rows;
  rows.reserve(records.size());
  for (auto& values : records) {
    StoredRow row;
    row.values = std::move(values);
    fillTexts(row.values, row.texts);
    rows.push_back(std::move(row));
  }
  rows_.load(std::move(rows));
}

void Table::refresh() {
  requireOpen();
  checkBrowseMode();
  const std::uint32_t keep = currentSlot();
  if (readOnly_) {
    // Others may write a table we only read: take it from disk again.
    loadRows(file_->readAll());
  }
  range_.follow(master_);
  // Rows read again from disk are new slots: the old one means nothing.
  showRows(readOnly_ ? kPending : keep);
}

// --- Visible rows ---------------------------------------------------------

void Table::forEachStored(const std::function<void(const RecordView&)>& visit) const {
  for (const std::uint32_t slot : rows_.inOrder()) {
    const StoredRow& row = rows_.row(slot);
    if (row.alive) visit(RecordView(shape_, row.values, row.texts.data(), &row.folded));
  }
}

RecordView Table::row(std::size_t i) const {
  const std::uint32_t slot = visible_.at(i);
  if (slot == kPending || (state_ == TableState::Edit && slot == pending_.slot()))
    return pending_.view(shape_);
  const StoredRow& stored = rows_.row(slot);
  return RecordView(shape_, stored.values, stored.texts.data(), &stored.folded);
}

std::optional<std::size_t> Table::currentRow() const {
  return current_;
}

RecordView Table::current() const {
  if (state_ == TableState::Edit || state_ == TableState::Insert) return pending_.view(shape_);
  if (!current_) return RecordView(shape_, emptyRecord_, emptyTexts_.data(), &emptyFolded_);
  return row(*current_);
}

void Table::eraseVisible(std::size_t pos) {
  observers_.notify([&](TableObserver& o) { o.rowsAboutToBeRemoved(*this, pos, 1); });
  visible_.erase(visible_.begin() + static_cast<std::ptrdiff_t>(pos));
  if (current_) {
    if (*current_ > pos) --*current_;
    if (*current_ >= visible_.size())
      current_ = visible_.empty() ? std::nullopt : std::optional(visible_.size() - 1);
  }
  observers_.notify([&](TableObserver& o) { o.rowsRemoved(*this, pos, 1); });
}

void Table::insertVisible(std::size_t pos, std::uint32_t slot) {
  observers_.notify([&](TableObserver& o) { o.rowsAboutToBeInserted(*this, pos, 1); });
  visible_.insert(visible_.begin() + static_cast<std::ptrdiff_t>(pos), slot);
  if (current_ && *current_ >= pos) ++*current_;
  observers_.notify([&](TableObserver& o) { o.rowsInserted(*this, pos, 1); });
}

// --- Editing --------------------------------------------------------------

void Table::checkBrowseMode() {
  if (state_ != TableState::Edit && state_ != TableState::Insert) return;
  updateRecord();
  if (pending_.modified())
    post();
  else
    cancel();
}

void Table::updateRecord() {
  if (state_ == TableState::Edit || state_ == TableState::Insert)
    observers_.notify([this](TableObserver& o) { o.updateRecord(*this); });
}

void Table::edit() {
  requireWritable();
  if (state_ == TableState::Edit || state_ == TableState::Insert) return;
  if (!current_) {
    // Nothing to edit: typing into an empty grid starts a new record.
    append();
    return;
  }
  if (events_.beforeEdit) events_.beforeEdit(*this);
  if (!current_) throw DbError(Kind::General, "Cannot perform this operation on an empty table.");
  const std::uint32_t slot = slotAt(*current_);
  pending_.startEdit(slot, rows_.row(slot));
  setState(TableState::Edit);
}

void Table::insert() {
  beginInsert(false);
}
void Table::append() {
  beginInsert(true);
}

void Table::beginInsert(bool atEnd) {
  requireWritable();
  checkBrowseMode();
  rowBeforeInsert_ = current_;
  const std::size_t pos = atEnd || !current_ ? visible_.size() : *current_;
  Record values(shape_.fields().size(), std::monostate{});
  // The master link's values first, so that the new-record hook sees them.
  range_.fill(values);
  std::vector<std::string> texts;
  fillTexts(values, texts);
  pending_.startInsert(std::move(values), std::move(texts));
  observers_.notify([&](TableObserver& o) { o.rowsAboutToBeInserted(*this, pos, 1); });
  state_ = TableState::Insert;
  visible_.insert(visible_.begin() + static_cast<std::ptrdiff_t>(pos), kPending);
  current_ = pos;
  eof_ = bof_ = false;
  observers_.notify([&](TableObserver& o) { o.rowsInserted(*this, pos, 1); });
  observers_.notify([this](TableObserver& o) { o.stateChanged(*this); });
  observers_.notify([this](TableObserver& o) { o.currentChanged(*this); });
  if (events_.newRecord) {
    try {
      events_.newRecord(*this);
    } catch (...) {
      dropPendingRow();
      throw;
    }
  }
  // Defaults alone do not make the record modified: left as it is, it is
  // dropped rather than posted.
  pending_.setModified(false);
  observers_.notify([this](TableObserver& o) { o.stateChanged(*this); });
}

void Table::dropPendingRow() {
  const auto it = std::find(visible_.begin(), visible_.end(), kPending);
  if (it != visible_.end()) {
    const auto at = static_cast<std::size_t>(it - visible_.begin());
    observers_.notify([&](TableObserver& o) { o.rowsAboutToBeRemoved(*this, at, 1); });
  }
  clearPending();
  if (it != visible_.end()) {
    const std::size_t pos = static_cast<std::size_t>(it - visible_.begin());
    visible_.erase(it);
    current_ = rowBeforeInsert_;
    if (current_ && *current_ >= visible_.size())
      current_ = visible_.empty() ? std::nullopt : std::optional(visible_.size() - 1);
    eof_ = bof_ = visible_.empty();
    observers_.notify([&](TableObserver& o) { o.rowsRemoved(*this, pos, 1); });
  }
  observers_.notify([this](TableObserver& o) { o.stateChanged(*this); });
  observers_.notify([this](TableObserver& o) { o.currentChanged(*this); });
}

void Table::cancel() {
  const bool pending = state_ == TableState::Insert || state_ == TableState::Edit;
  if (state_ == TableState::Insert) {
    dropPendingRow();
  } else if (state_ == TableState::Edit) {
    const auto pos = current_;
    clearPending();
    setState(TableState::Browse);
    if (pos) observers_.notify([&](TableObserver& o) { o.rowChanged(*this, *pos); });
  }
  if (pending && events_.afterCancel) events_.afterCancel(*this);
}

void Table::post() {
  requireOpen();
  updateRecord();
  if ((state_ == TableState::Edit || state_ == TableState::Insert) && events_.beforePost)
    events_.beforePost(*this);
  const bool inserting = state_ == TableState::Insert;
  if (state_ == TableState::Edit)
    postEdit();
  else if (inserting)
    postInsert();
  else
    return;
  lastPostInserted_ = inserting;
  if (events_.afterPost) events_.afterPost(*this);
}

void Table::postEdit() {
  const std::uint32_t slot = pending_.slot();
  StoredRow& row = rows_.row(slot);
  const format::FieldChanges changes = pending_.changesFrom(row.values);

  const std::size_t oldPos = *current_;
  state_ = TableState::Browse;
  if (changes.empty()) {
    clearPending();
    observers_.notify([this](TableObserver& o) { o.stateChanged(*this); });
    return;
  }
  std::size_t ordinal = 0;
  try {
    ordinal = file_->update(row.filePos, changes);
  } catch (...) {
    state_ = TableState::Edit;  // the record stays as typed, to be mended
    throw;
  }
  row.values = file_->read(ordinal);
  fillTexts(row.values, row.texts);
  row.folded.clear();
  clearPending();

  bool orderChanged = ordinal != row.filePos;
  if (rows_.ownOrder())
    for (const auto& [f, v] : changes) orderChanged = orderChanged || rows_.isIndexField(f);
  const bool stays = range_.contains(row.values);
  if (!orderChanged && stays) {
    observers_.notify([&](TableObserver& o) { o.rowChanged(*this, oldPos); });
    observers_.notify([this](TableObserver& o) { o.stateChanged(*this); });
    return;
  }
  eraseVisible(oldPos);
  if (orderChanged) rows_.move(slot, ordinal);
  std::optional<std::size_t> cur = current_;
  if (stays) {
    // The record follows its new key, and the cursor follows the record.
    const std::size_t pos = visiblePosFor(slot);
    insertVisible(pos, slot);
    cur = pos;
  } else {
    --rangeCount_;
    cur = visible_.empty() ? std::nullopt : std::optional(std::min(oldPos, visible_.size() - 1));
  }
  observers_.notify([this](TableObserver& o) { o.stateChanged(*this); });
  setCurrent(cur);
}

void Table::postInsert() {
  giveIdentity(file_->info().fields, pending_.values());
  // A failure leaves the insert pending.
  const std::size_t ordinal = file_->insert(pending_.values());
  StoredRow row;
  row.values = file_->read(ordinal);
  fillTexts(row.values, row.texts);
  const std::uint32_t slot = rows_.add(std::move(row), ordinal);

  const auto it = std::find(visible_.begin(), visible_.end(), kPending);
  const std::size_t pendingPos = static_cast<std::size_t>(it - visible_.begin());
  clearPending();
  if (it != visible_.end()) eraseVisible(pendingPos);
  std::optional<std::size_t> cur = current_;
  if (range_.contains(rows_.row(slot).values)) {
    ++rangeCount_;
    const std::size_t pos = visiblePosFor(slot);
    insertVisible(pos, slot);
    cur = pos;
  } else {
    cur =
        visible_.empty() ? std::nullopt : std::optional(std::min(pendingPos, visible_.size() - 1));
  }
  observers_.notify([this](TableObserver& o) { o.stateChanged(*this); });
  setCurrent(cur);
}

void Table::remove() {
  requireWritable();
  if (state_ == TableState::Insert) {
    cancel();
    return;
  }
  requireCurrent();
  if (events_.beforeDelete) events_.beforeDelete(*this);
  if (!current_) return;
  const std::uint32_t slot = state_ == TableState::Edit ? pending_.slot() : slotAt(*current_);
  if (slot == kPending) return;
  file_->remove(rows_.row(slot).filePos);
  const auto pos = findVisible(slot);
  if (range_.contains(rows_.row(slot).values)) --rangeCount_;
  rows_.remove(slot);
  const bool wasEditing = state_ == TableState::Edit;
  if (wasEditing) clearPending();
  if (pos) eraseVisible(*pos);
  if (wasEditing) observers_.notify([this](TableObserver& o) { o.stateChanged(*this); });
  setCurrent(current_);
  if (wasEditing && events_.afterCancel) events_.afterCancel(*this);
}

// --- Fields ---------------------------------------------------------------

const Value& Table::field(std::string_view name) const {
  requireOpen();
  return current().value(name);
}

std::string Table::fieldText(std::string_view name) const {
  requireOpen();
  return std::string(current().text(name));
}

std::string Table::textAt(int position) const {
  requireOpen();
  if (position < 0 || position >= static_cast<int>(shape_.fields().size()))
    throw DbError(Kind::InvalidValue, "No field at position " + std::to_string(position) + ".");
  return std::string(current().text(position));
}

std::optional<format::Date> Table::dateField(std::string_view name) const {
  const Value& v = field(name);
  if (format::isNull(v)) return std::nullopt;
  if (const auto* d = std::get_if<format::Date>(&v)) return *d;
  throw DbError(Kind::InvalidValue, "Field '" + std::string(name) + "' is not a date field.");
}

std::optional<format::Time> Table::timeField(std::string_view name) const {
  const Value& v = field(name);
  if (format::isNull(v)) return std::nullopt;
  if (const auto* t = std::get_if<format::Time>(&v)) return *t;
  throw DbError(Kind::InvalidValue, "Field '" + std::string(name) + "' is not a time field.");
}

bool Table::boolField(std::string_view name) const {
  const Value& v = field(name);
  if (format::isNull(v)) return false;
  if (const auto* b = std::get_if<bool>(&v)) return *b;
  throw DbError(Kind::InvalidValue, "Field '" + std::string(name) + "' is not a boolean field.");
}

double Table::numberField(std::string_view name) const {
  const Value& v = field(name);
  if (format::isNull(v)) return 0;
  if (const auto* d = std::get_if<double>(&v)) return *d;
  if (const auto* i = std::get_if<std::int32_t>(&v)) return *i;
  throw DbError(Kind::InvalidValue, "Field '" + std::string(name) + "' is not a number field.");
}

bool Table::isNull(std::string_view name) const {
  return format::isNull(field(name));
}

void Table::setField(std::string_view name, Value value) {
  requireOpen();
  setField(shape_.requireField(name), std::move(value));
}

void Table::setField(int field, Value value) {
  requireWritable();
  if (state_ != TableState::Edit && state_ != TableState::Insert)
    throw DbError(Kind::General, "Table is not in edit or insert mode.");
  if (field < 0 || field >= static_cast<int>(pending_.fieldCount()))
    throw DbError(Kind::InvalidValue, "No field at position " + std::to_string(field) + ".");
  const auto f = static_cast<std::size_t>(field);
  Value coerced = coerceValue(shape_.fields()[f], std::move(value));
  // Refused here, while the typist can still mend it, rather than at post.
  if (shape_.fields()[f].type == format::FieldType::Alpha) requireStorable(f, coerced);
  const bool first = !pending_.modified();
  pending_.set(f, std::move(coerced), shape_.textSlot(field), session_.displayFormats());
  observers_.notify([&](TableObserver& o) { o.fieldChanged(*this, field); });
  if (first) observers_.notify([this](TableObserver& o) { o.stateChanged(*this); });
}

void Table::requireStorable(std::size_t field, const Value& value) const {
  const format::FieldDef& def = shape_.fields()[field];
  std::vector<std::uint8_t> scratch(
      static_cast<std::size_t>(format::codec::storageSize(def.type, def.size)));
  format::codec::encode(def, value, scratch.data(), file_->info().codePage);
}

void Table::setFieldText(std::string_view name, std::string_view text) {
  requireOpen();
  const int f = shape_.requireField(name);
  setField(f, parseFieldText(shape_.fields()[static_cast<std::size_t>(f)], text,
                             session_.displayFormats()));
}

}  // namespace torvelle::engine

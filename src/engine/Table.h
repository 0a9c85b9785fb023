#pragma once
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/Bookmark.h"
#include "engine/FieldNames.h"
#include "engine/MasterRange.h"
#include "engine/ObserverList.h"
#include "engine/PendingRecord.h"
#include "engine/RecordView.h"
#include "engine/RowOrder.h"
#include "engine/TableObserver.h"
#include "engine/format/TableFile.h"

namespace torvelle::engine {

class DataSource;
class Session;
class Table;

enum class TableState { Inactive, Browse, Edit, Insert };

// Hooks the program fills in. An exception from beforeEdit or beforeDelete
// stops that operation; one from newRecord undoes the insertion.
struct TableEvents {
  std::function<void(Table&)> newRecord;
  std::function<void(Table&)> beforeEdit;
  // Runs before a pending insert or edit is written; it may change the
  // record, or throw to leave it pending.
  std::function<void(Table&)> beforePost;
  std::function<void(Table&)> afterPost;
  // Runs after a pending insert or edit ends without a post (cancel,
  // explicit or implied).
  std::function<void(Table&)> afterCancel;
  std::function<void(Table&)> beforeDelete;
  // Runs per record while the table is filtered; true lets it through.
  std::function<bool(const RecordView&)> filterRecord;
};

// A cursor over one Paradox table. All records are read once at open and kept
// in memory in the current index order; the visible rows are those in the
// master range that the filter passed at the last re-filter. Changes go
// through the file layer and are on disk when post and remove return.
// (Key search, bookmarks and changes to many records: TableBulk.cpp.)
class Table {
 public:
  explicit Table(Session& session);
  virtual ~Table();
  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;

  // --- Set-up -------------------------------------------------------------
  // A path relative to the current directory, or absolute. Only while closed.
  void setTableName(std::filesystem::path path);
  const std::filesystem::path& tableName() const { return path_; }
  void setReadOnly(bool readOnly);
  bool readOnly() const { return readOnly_; }
  // "Date;Time": the primary key when the names are a prefix of it,
  // otherwise an order the engine keeps itself. Empty: the primary key.
  void setIndexFieldNames(const std::string& names);
  const std::string& indexFieldNames() const { return indexNames_; }
  // Master link: only rows whose leading index fields equal the master
  // source's current `masterFields` are visible, and a new row gets those
  // values. nullptr cuts the link and shows every row, keeping the current one.
  void setMasterSource(DataSource* source);
  DataSource* masterSource() const { return master_; }
  void setMasterFields(const std::string& names);
  const std::string& masterFields() const { return masterNames_; }
  TableEvents& events() { return events_; }
  Session& session() const { return session_; }

  void addObserver(TableObserver* observer);
  void removeObserver(TableObserver* observer);

  // --- Open and close -----------------------------------------------------
  virtual void open();
  // A pending insert or edit is dropped; post first to keep it.
  virtual void close();
  bool isOpen() const { return state_ != TableState::Inactive; }
  std::string driverType() const;  // "PARADOX"
  const format::TableInfo& info() const;
  // The open file as it is stored, for reading past the rows (key look-ups).
  const format::TableFile& file() const;
  // How filters that ignore letter case fold this table's texts (by its code page).
  const support::CaseFold& caseFold() const { return shape_.caseFold(); }
  const std::vector<format::FieldDef>& fields() const { return shape_.fields(); }
  int fieldIndex(std::string_view name) const { return shape_.fieldIndex(name); }

  // --- Filter -------------------------------------------------------------
  // On an open table, even to the current value: ends a pending edit (post
  // when modified, else cancel), re-filters and moves to the first row.
  void setFiltered(bool filtered);
  bool filtered() const { return filtered_; }

  // --- Moving -------------------------------------------------------------
  // Every move first ends a pending edit, as setFiltered does.
  void first();
  void last();
  void next();
  void prior();
  bool eof() const { return eof_; }
  bool bof() const { return bof_; }
  void moveTo(std::size_t row);
  // Records in the master range, whether the filter passes them or not.
  std::size_t recordCount() const;
  // Re-applies range and filter; keeps the current record when it still passes.
  void refresh();
  // Moves to the first record in range whose first index field equals
  // `value`, also one the filter hides (it then stays visible until the next
  // re-filter). False, without moving, when there is none.
  // O(log n) in the index order.
  bool findKey(const format::Value& value);
  // Bookmarks of every record, whatever the master range and the filter,
  // whose leading index fields equal `key` (one value per leading field,
  // key.size() <= index fields); O(log n + k).
  std::vector<Bookmark> bookmarksWithKey(const format::Record& key) const;

  Bookmark bookmark() const;  // empty without a current record
  // DbError(RecordGone) when the record is deleted or no longer visible.
  void gotoBookmark(const Bookmark& bookmark);
  std::optional<std::size_t> rowOfBookmark(const Bookmark& bookmark) const;

  // Every stored record in index order, whatever the range and the filter;
  // a pending insert or edit is not stored yet and is not among them.
  void forEachStored(const std::function<void(const RecordView&)>& visit) const;

  // --- Visible rows -------------------------------------------------------
  // O(1) per row; the pending inserted record is a row too.
  std::size_t rowCount() const { return visible_.size(); }
  RecordView row(std::size_t i) const;
  std::optional<std::size_t> currentRow() const;

  // --- Editing ------------------------------------------------------------
  TableState state() const { return state_; }
  bool modified() const { return pending_.modified(); }
  void edit();
  void insert();  // before the current row
  void append();  // after the last row
  // Writes the pending record. A failure (a key violation) leaves the table
  // in its state with the record as typed, so it can be mended.
  void post();
  void cancel();
  void remove();
  // Valid inside events().afterPost: true when the record just posted was
  // inserted, false when it was edited.
  bool lastPostInserted() const { return lastPostInserted_; }
  // Sets the given fields of every bookmarked record as one durable change
  // of the file. A failure (key violation, disk error) leaves disk and
  // memory as they were and throws the engine's DbError. Ends a pending edit
  // first; observers hear one reset; the current record stays current when
  // it is still visible.
  void updateRecords(const std::vector<Bookmark>& bookmarks, const format::FieldChanges& changes);
  // Removes every bookmarked record as one durable change; same failure rule.
  void removeRecords(const std::vector<Bookmark>& bookmarks);
  // Hands `work` the open file for many changes at once (imports): they
  // are one durable change (TableFile::batch), after which the rows are
  // taken afresh from the file and observers hear one reset; the current
  // record stays current when it is still visible. Ends a pending edit
  // first. An exception from `work` or the file leaves disk and memory as
  // they were and goes on unchanged (the file's own failures are DbError).
  // A call inside another table's batchChange nests in its change.
  void batchChange(const std::function<void(format::TableFile&)>& work);
  // As batchChange, but the change is thrown away once `work` returns: work
  // sees its own changes, and neither the file nor the rows keep any.
  void trialChange(const std::function<void(format::TableFile&)>& work);
  // Post when modified, else cancel; nothing in browse state.
  void checkBrowseMode();
  // Asks every bound control to write what its editor holds into the
  // pending record (TableObserver::updateRecord). Post and checkBrowseMode
  // do it first, so closing, packing or moving never loses a half-typed
  // value; nothing happens in browse state.
  void updateRecord();

  // --- Fields of the current record (the pending one while editing) ------
  const format::Value& field(std::string_view name) const;
  RecordView current() const;
  std::string fieldText(std::string_view name) const;
  std::string textAt(int position) const;
  std::string firstFieldText() const { return textAt(0); }
  std::optional<format::Date> dateField(std::string_view name) const;
  std::optional<format::Time> timeField(std::string_view name) const;
  bool boolField(std::string_view name) const;      // null is false
  double numberField(std::string_view name) const;  // null is 0
  bool isNull(std::string_view name) const;
  void setField(std::string_view name, format::Value value);
  void setField(int field, format::Value value);
  void setFieldText(std::string_view name, std::string_view text);

 private:
  static constexpr std::uint32_t kPending = RowOrder::kNoSlot;
  class MasterLink;

  void requireOpen() const;
  void requireCurrent() const;
  void requireWritable() const;
  void resolveIndex();
  void linkRange();
  void loadRows(std::vector<format::Record> records);
  void fillTexts(const format::Record& values, std::vector<std::string>& texts) const;
  bool passesFilter(const format::Record& values, const std::vector<std::string>& texts,
                    std::string& folded, bool& reported) const;
  void rebuildVisible();
  std::size_t visiblePosFor(std::uint32_t slot) const;
  std::optional<std::size_t> findVisible(std::uint32_t slot) const;
  void setCurrent(std::optional<std::size_t> row, bool eof = false, bool bof = false);
  void beginInsert(bool atEnd);
  void dropPendingRow();
  void eraseVisible(std::size_t pos);
  void insertVisible(std::size_t pos, std::uint32_t slot);
  std::uint32_t slotAt(std::size_t row) const { return visible_[row]; }
  std::uint32_t currentSlot() const { return current_ ? visible_[*current_] : kPending; }
  std::optional<std::uint32_t> slotOf(const Bookmark& bookmark) const;
  void requireStorable(std::size_t field, const format::Value& value) const;
  std::vector<std::uint32_t> slotsOfBookmarks(const std::vector<Bookmark>& bookmarks) const;
  std::pair<std::size_t, std::size_t> orderRangeOf(const format::Record& key) const;
  void postEdit();
  void postInsert();
  void masterChanged();
  void setState(TableState state);
  void showRows(std::uint32_t keep = kPending, std::size_t fallback = 0);
  void clearPending();
  void notifyReset();

  Session& session_;
  std::filesystem::path path_;
  bool readOnly_ = false;
  std::string indexNames_;
  std::string masterNames_ = kSectionField;
  DataSource* master_ = nullptr;
  std::unique_ptr<MasterLink> link_;
  TableEvents events_;
  bool filtered_ = false;
  ObserverList observers_;

  std::unique_ptr<format::TableFile> file_;
  TableShape shape_;
  int keyFieldCount_ = 0;

  RowOrder rows_;
  std::vector<std::uint32_t> visible_;  // slots of the visible rows, in order
  std::size_t rangeCount_ = 0;

  MasterRange range_;

  std::optional<std::size_t> current_;
  bool eof_ = true;
  bool bof_ = true;

  TableState state_ = TableState::Inactive;
  bool lastPostInserted_ = false;
  PendingRecord pending_;
  std::optional<std::size_t> rowBeforeInsert_;
  format::Record emptyRecord_;
  std::vector<std::string> emptyTexts_;
  mutable std::string emptyFolded_;
};

}  // namespace torvelle::engine

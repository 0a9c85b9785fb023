#pragma once
#include <cstddef>

namespace torvelle::engine {

class Table;

// What a view (grid, edit, navigator) or a detail table hears of a table.
// Row numbers are positions among the visible rows (Table::row). Every
// notification comes after the table is consistent again, so an observer may
// read the table from inside it.
class TableObserver {
 public:
  virtual ~TableObserver() = default;

  // Opened, closed, re-filtered, new order or new range: every row may differ.
  virtual void tableReset(Table&) {}
  // Told before the visible rows change, while the table still shows the
  // old ones, so a view can announce the change in step with its readers.
  virtual void rowsAboutToBeInserted(Table&, std::size_t /*first*/, std::size_t /*count*/) {}
  virtual void rowsAboutToBeRemoved(Table&, std::size_t /*first*/, std::size_t /*count*/) {}
  virtual void rowsInserted(Table&, std::size_t /*first*/, std::size_t /*count*/) {}
  virtual void rowsRemoved(Table&, std::size_t /*first*/, std::size_t /*count*/) {}
  // The values shown for one visible row changed (a post, a cancel).
  virtual void rowChanged(Table&, std::size_t /*row*/) {}
  // The current row moved (or the table lost its current row).
  virtual void currentChanged(Table&) {}
  // Browse, edit, insert or inactive; the modified flag.
  virtual void stateChanged(Table&) {}
  // A field of the pending record changed (edit and insert states).
  virtual void fieldChanged(Table&, int /*field*/) {}
  // The pending record is about to be posted or judged unmodified: a control
  // holding typed text it has not written yet writes it now. An exception
  // (a value the field refuses) stops the post.
  virtual void updateRecord(Table&) {}
  // The observed table or data source is being destroyed: forget it.
  virtual void observedGone() {}
};

}  // namespace torvelle::engine

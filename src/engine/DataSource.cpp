#include "engine/DataSource.h"

#include <algorithm>

#include "engine/Table.h"

namespace torvelle::engine {

DataSource::DataSource(std::string name, Table* table) : name_(std::move(name)) {
  setTable(table);
}

DataSource::~DataSource() {
  if (table_) table_->removeObserver(this);
  // A copy: an observer forgetting us may unregister while we walk the list.
  const auto observers = observers_;
  for (TableObserver* o : observers) o->observedGone();
}

void DataSource::setTable(Table* table) {
  if (table == table_) return;
  if (table_) table_->removeObserver(this);
  table_ = table;
  if (table_) {
    table_->addObserver(this);
    tableReset(*table_);
  }
}

void DataSource::addObserver(TableObserver* observer) {
  if (std::find(observers_.begin(), observers_.end(), observer) == observers_.end())
    observers_.push_back(observer);
}

void DataSource::removeObserver(TableObserver* observer) {
  observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

template <class F>
void DataSource::forward(F&& f) {
  const auto observers = observers_;
  for (TableObserver* o : observers)
    if (std::find(observers_.begin(), observers_.end(), o) != observers_.end()) f(*o);
}

void DataSource::tableReset(Table& t) {
  forward([&](TableObserver& o) { o.tableReset(t); });
}
void DataSource::rowsAboutToBeInserted(Table& t, std::size_t first, std::size_t count) {
  forward([&](TableObserver& o) { o.rowsAboutToBeInserted(t, first, count); });
}
void DataSource::rowsAboutToBeRemoved(Table& t, std::size_t first, std::size_t count) {
  forward([&](TableObserver& o) { o.rowsAboutToBeRemoved(t, first, count); });
}
void DataSource::rowsInserted(Table& t, std::size_t first, std::size_t count) {
  forward([&](TableObserver& o) { o.rowsInserted(t, first, count); });
}
void DataSource::rowsRemoved(Table& t, std::size_t first, std::size_t count) {
  forward([&](TableObserver& o) { o.rowsRemoved(t, first, count); });
}
void DataSource::rowChanged(Table& t, std::size_t row) {
  forward([&](TableObserver& o) { o.rowChanged(t, row); });
}
void DataSource::currentChanged(Table& t) {
  forward([&](TableObserver& o) { o.currentChanged(t); });
}
void DataSource::stateChanged(Table& t) {
  forward([&](TableObserver& o) { o.stateChanged(t); });
}
void DataSource::fieldChanged(Table& t, int field) {
  forward([&](TableObserver& o) { o.fieldChanged(t, field); });
}
void DataSource::updateRecord(Table& t) {
  forward([&](TableObserver& o) { o.updateRecord(t); });
}
// Our table is being destroyed; views stay bound to us and see no table.
void DataSource::observedGone() {
  table_ = nullptr;
}

}  // namespace torvelle::engine

#include "engine/DataSource.h"

#include "engine/Table.h"

namespace torvelle::engine {

DataSource::DataSource(std::string name, Table* table) : name_(std::move(name)) {
  setTable(table);
}

DataSource::~DataSource() {
  if (table_) table_->removeObserver(this);
  observers_.notifyGone();
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
  observers_.add(observer);
}

void DataSource::removeObserver(TableObserver* observer) {
  observers_.remove(observer);
}

void DataSource::tableReset(Table& t) {
  observers_.notify([&](TableObserver& o) { o.tableReset(t); });
}
void DataSource::rowsAboutToBeInserted(Table& t, std::size_t first, std::size_t count) {
  observers_.notify([&](TableObserver& o) { o.rowsAboutToBeInserted(t, first, count); });
}
void DataSource::rowsAboutToBeRemoved(Table& t, std::size_t first, std::size_t count) {
  observers_.notify([&](TableObserver& o) { o.rowsAboutToBeRemoved(t, first, count); });
}
void DataSource::rowsInserted(Table& t, std::size_t first, std::size_t count) {
  observers_.notify([&](TableObserver& o) { o.rowsInserted(t, first, count); });
}
void DataSource::rowsRemoved(Table& t, std::size_t first, std::size_t count) {
  observers_.notify([&](TableObserver& o) { o.rowsRemoved(t, first, count); });
}
void DataSource::rowChanged(Table& t, std::size_t row) {
  observers_.notify([&](TableObserver& o) { o.rowChanged(t, row); });
}
void DataSource::currentChanged(Table& t) {
  observers_.notify([&](TableObserver& o) { o.currentChanged(t); });
}
void DataSource::stateChanged(Table& t) {
  observers_.notify([&](TableObserver& o) { o.stateChanged(t); });
}
void DataSource::fieldChanged(Table& t, int field) {
  observers_.notify([&](TableObserver& o) { o.fieldChanged(t, field); });
}
void DataSource::updateRecord(Table& t) {
  observers_.notify([&](TableObserver& o) { o.updateRecord(t); });
}
// Our table is being destroyed; views stay bound to us and see no table.
void DataSource::observedGone() {
  table_ = nullptr;
}

}  // namespace torvelle::engine

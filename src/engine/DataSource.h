#pragma once
#include <string>
#include <vector>

#include "engine/ObserverList.h"
#include "engine/TableObserver.h"

namespace torvelle::engine {

class Table;

// Joins a table to what shows it: grids, edits and navigators bind to a data
// source, and a detail table names one as its master. It passes on every
// notification of its table, so views can be moved to another table by
// re-pointing the source.
class DataSource : private TableObserver {
 public:
  explicit DataSource(std::string name, Table* table = nullptr);
  ~DataSource() override;
  DataSource(const DataSource&) = delete;
  DataSource& operator=(const DataSource&) = delete;

  const std::string& name() const { return name_; }
  Table* table() const { return table_; }
  void setTable(Table* table);

  void addObserver(TableObserver* observer);
  void removeObserver(TableObserver* observer);

 private:
  void tableReset(Table& t) override;
  void rowsAboutToBeInserted(Table& t, std::size_t first, std::size_t count) override;
  void rowsAboutToBeRemoved(Table& t, std::size_t first, std::size_t count) override;
  void rowsInserted(Table& t, std::size_t first, std::size_t count) override;
  void rowsRemoved(Table& t, std::size_t first, std::size_t count) override;
  void rowChanged(Table& t, std::size_t row) override;
  void currentChanged(Table& t) override;
  void stateChanged(Table& t) override;
  void fieldChanged(Table& t, int field) override;
  void updateRecord(Table& t) override;
  void observedGone() override;

  std::string name_;
  Table* table_ = nullptr;
  ObserverList observers_;
};

}  // namespace torvelle::engine

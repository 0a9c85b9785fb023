#pragma once
#include <QObject>
#include <functional>

#include "engine/DataSource.h"
#include "engine/Table.h"

namespace torvelle::toolkit {

// A widget's binding to a data source: turns the engine's table
// notifications into Qt signals, delivered at once on the calling thread, so
// that a view can react while the table is consistent.
class TDataLink : public QObject, private engine::TableObserver {
  Q_OBJECT
 public:
  explicit TDataLink(QObject* parent = nullptr);
  ~TDataLink() override;

  void setDataSource(engine::DataSource* source);
  engine::DataSource* dataSource() const { return source_; }
  // The source's table, or nullptr.
  engine::Table* table() const;
  // Bound to an open table.
  bool active() const;
  bool editing() const;  // edit or insert state
  bool canModify() const;
  // Called when the table asks its controls to write their editors' text
  // into the pending record (before a post, a close, a pack). A plain call
  // rather than a signal: a refused value is thrown on and stops the post.
  void setUpdateRecord(std::function<void()> update) { update_ = std::move(update); }

 signals:
  void dataReset();
  void dataRowsAboutToBeInserted(int first, int count);
  void dataRowsAboutToBeRemoved(int first, int count);
  void dataRowsInserted(int first, int count);
  void dataRowsRemoved(int first, int count);
  void dataRowChanged(int row);
  void recordMoved();
  void dataStateChanged();
  void dataFieldChanged(int field);

 private:
  void tableReset(engine::Table&) override { emit dataReset(); }
  void rowsAboutToBeInserted(engine::Table&, std::size_t first, std::size_t count) override {
    emit dataRowsAboutToBeInserted(static_cast<int>(first), static_cast<int>(count));
  }
  void rowsAboutToBeRemoved(engine::Table&, std::size_t first, std::size_t count) override {
    emit dataRowsAboutToBeRemoved(static_cast<int>(first), static_cast<int>(count));
  }
  void rowsInserted(engine::Table&, std::size_t first, std::size_t count) override {
    emit dataRowsInserted(static_cast<int>(first), static_cast<int>(count));
  }
  void rowsRemoved(engine::Table&, std::size_t first, std::size_t count) override {
    emit dataRowsRemoved(static_cast<int>(first), static_cast<int>(count));
  }
  void rowChanged(engine::Table&, std::size_t row) override {
    emit dataRowChanged(static_cast<int>(row));
  }
  void currentChanged(engine::Table&) override { emit recordMoved(); }
  void stateChanged(engine::Table&) override { emit dataStateChanged(); }
  void fieldChanged(engine::Table&, int field) override { emit dataFieldChanged(field); }
  void updateRecord(engine::Table&) override {
    if (update_) update_();
  }
  void observedGone() override;

  engine::DataSource* source_ = nullptr;
  std::function<void()> update_;
};

}  // namespace torvelle::toolkit

#pragma once
#include <QAbstractTableModel>
#include <QString>
#include <QVector>
#include <functional>

#include "toolkit/DataLink.h"

namespace torvelle::toolkit {

// One column of a grid: the field it shows and its title.
struct TColumn {
  QString fieldName;
  QString title;
};

// The visible rows of an engine table as a Qt model. Nothing is copied: data()
// reads the row it is asked for, so a view pays only for the rows it paints.
// The table's notifications become the matching fine-grained model signals.
class TTableModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit TTableModel(QObject* parent = nullptr);

  void setDataSource(engine::DataSource* source);
  TDataLink& link() { return link_; }
  const TDataLink& link() const { return link_; }
  engine::Table* table() const { return link_.table(); }

  void setColumns(QVector<TColumn> columns);
  const QVector<TColumn>& columns() const { return columns_; }
  // Field position of a column in the table, -1 when unknown or closed.
  int fieldOf(int column) const;
  void setEditable(bool editable) { editable_ = editable; }
  // Rows a grid has selected get the highlight colours.
  void setSelectedTest(std::function<bool(int row)> test) { selected_ = std::move(test); }
  // Lets a page show a cell otherwise than its stored text (a repeating
  // task's mark); called with the row, the field and the stored text.
  using TextHook = std::function<void(int row, int field, QString& text)>;
  void setTextHook(TextHook hook) { textHook_ = std::move(hook); }
  void selectionChanged();

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  // A column's title; the rows stay as they are.
  bool setHeaderData(int section, Qt::Orientation orientation, const QVariant& value,
                     int role = Qt::EditRole) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  // Puts the row's record into edit state and stores the typed text; an
  // engine error is shown and the value refused.
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  // The last setData was refused by the engine (and reported).
  bool lastWriteRefused() const { return refused_; }
  // Inside a row insertion or removal: Qt's views move their current index
  // then, which is no move of the user's.
  bool changingRows() const { return changingRows_; }
  // The text a cell would show, as setData would compare it.
  QString cellText(int row, int column) const;

 private:
  void resetRows();
  void onRowsAboutToBeInserted(int first, int count);
  void onRowsAboutToBeRemoved(int first, int count);
  void onRowsInserted();
  void onRowsRemoved(int first);
  int shownRows() const;
  void changeRow(int row);
  void indicatorMoved();
  void resolveFields();

  TDataLink link_;
  QVector<TColumn> columns_;
  QVector<int> fields_;
  int indicatorRow_ = -1;
  bool refused_ = false;
  bool changingRows_ = false;
  bool editable_ = true;
  std::function<bool(int)> selected_;
  TextHook textHook_;
};

}  // namespace torvelle::toolkit

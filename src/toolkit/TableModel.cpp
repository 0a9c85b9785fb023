#include "toolkit/TableModel.h"

#include <QApplication>
#include <QPalette>

#include "toolkit/ErrorBox.h"

namespace torvelle::toolkit {

using engine::TableState;

TTableModel::TTableModel(QObject* parent) : QAbstractTableModel(parent) {
  connect(&link_, &TDataLink::dataReset, this, &TTableModel::resetRows);
  connect(&link_, &TDataLink::dataRowsAboutToBeInserted, this,
          &TTableModel::onRowsAboutToBeInserted);
  connect(&link_, &TDataLink::dataRowsAboutToBeRemoved, this, &TTableModel::onRowsAboutToBeRemoved);
  connect(&link_, &TDataLink::dataRowsInserted, this, [this] { onRowsInserted(); });
  connect(&link_, &TDataLink::dataRowsRemoved, this, [this](int first) { onRowsRemoved(first); });
  connect(&link_, &TDataLink::dataRowChanged, this, &TTableModel::changeRow);
  connect(&link_, &TDataLink::recordMoved, this, &TTableModel::indicatorMoved);
  connect(&link_, &TDataLink::dataStateChanged, this, &TTableModel::indicatorMoved);
  connect(&link_, &TDataLink::dataFieldChanged, this, [this](int) {
    // The pending record is shown in its row: repaint that row only.
    const engine::Table* t = table();
    if (t && t->currentRow()) changeRow(static_cast<int>(*t->currentRow()));
  });
}

void TTableModel::setDataSource(engine::DataSource* source) {
  link_.setDataSource(source);
}

void TTableModel::setColumns(QVector<TColumn> columns) {
  beginResetModel();
  columns_ = std::move(columns);
  resolveFields();
  endResetModel();
}

int TTableModel::fieldOf(int column) const {
  return column >= 0 && column < fields_.size() ? fields_[column] : -1;
}

void TTableModel::resolveFields() {
  fields_.clear();
  const engine::Table* t = table();
  for (const TColumn& c : columns_)
    fields_.push_back(t && t->isOpen() ? t->fieldIndex(c.fieldName.toStdString()) : -1);
}

int TTableModel::shownRows() const {
  const engine::Table* t = table();
  return t && t->isOpen() ? static_cast<int>(t->rowCount()) : 0;
}

void TTableModel::resetRows() {
  beginResetModel();
  resolveFields();
  indicatorRow_ = -1;
  endResetModel();
  indicatorMoved();
}

// The table tells before and after it changes its rows, so the views hear
// begin and end around a change they can read consistently on both sides.
void TTableModel::onRowsAboutToBeInserted(int first, int count) {
  changingRows_ = true;
  beginInsertRows({}, first, first + count - 1);
}

void TTableModel::onRowsAboutToBeRemoved(int first, int count) {
  changingRows_ = true;
  beginRemoveRows({}, first, first + count - 1);
}

void TTableModel::onRowsInserted() {
  endInsertRows();
  changingRows_ = false;
}

void TTableModel::onRowsRemoved(int first) {
  endRemoveRows();
  changingRows_ = false;
  if (indicatorRow_ >= first) indicatorRow_ = -1;
}

void TTableModel::changeRow(int row) {
  if (row < 0 || row >= shownRows() || columns_.isEmpty()) return;
  emit dataChanged(index(row, 0), index(row, static_cast<int>(columns_.size()) - 1));
  emit headerDataChanged(Qt::Vertical, row, row);
}

void TTableModel::selectionChanged() {
  const int rows = shownRows();
  if (rows > 0 && !columns_.isEmpty())
    emit dataChanged(index(0, 0), index(rows - 1, static_cast<int>(columns_.size()) - 1),
                     {Qt::BackgroundRole, Qt::ForegroundRole});
}

void TTableModel::indicatorMoved() {
  const engine::Table* t = table();
  const int now = t && t->isOpen() && t->currentRow() ? static_cast<int>(*t->currentRow()) : -1;
  const int old = indicatorRow_;
  indicatorRow_ = now;
  const int rows = shownRows();
  if (old >= 0 && old < rows) emit headerDataChanged(Qt::Vertical, old, old);
  if (now >= 0 && now < rows) emit headerDataChanged(Qt::Vertical, now, now);
}

int TTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : shownRows();
}

int TTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant TTableModel::data(const QModelIndex& index, int role) const {
  const engine::Table* t = table();
  if (!t || !t->isOpen() || !index.isValid()) return {};
  const auto row = static_cast<std::size_t>(index.row());
  if (row >= t->rowCount()) return {};
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: {
      const int field = fieldOf(index.column());
      if (field < 0) return {};
      const std::string_view text = t->row(row).text(field);
      QString shown = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
      if (textHook_ && role == Qt::DisplayRole) textHook_(index.row(), field, shown);
      return shown;
    }
    case Qt::BackgroundRole:
      if (selected_ && selected_(index.row())) return QApplication::palette().highlight();
      return {};
    case Qt::ForegroundRole:
      if (selected_ && selected_(index.row())) return QApplication::palette().highlightedText();
      return {};
    default:
      return {};
  }
}

QVariant TTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Horizontal)
    return section >= 0 && section < columns_.size() ? QVariant(columns_[section].title)
                                                     : QVariant();
  // The row indicator: where the cursor is and what it is doing.
  const engine::Table* t = table();
  if (!t || !t->isOpen() || !t->currentRow() || static_cast<int>(*t->currentRow()) != section)
    return QString();
  switch (t->state()) {
    case TableState::Edit:
      return QStringLiteral("I");
    case TableState::Insert:
      return QStringLiteral("*");
    default:
      return QString(QChar(0x25B8));  // small right-pointing triangle
  }
}

bool TTableModel::setHeaderData(int section, Qt::Orientation orientation, const QVariant& value,
                                int role) {
  if (orientation != Qt::Horizontal || (role != Qt::EditRole && role != Qt::DisplayRole) ||
      section < 0 || section >= columns_.size())
    return false;
  columns_[section].title = value.toString();
  emit headerDataChanged(Qt::Horizontal, section, section);
  return true;
}

Qt::ItemFlags TTableModel::flags(const QModelIndex& index) const {
  Qt::ItemFlags f = QAbstractTableModel::flags(index);
  if (editable_ && link_.canModify() && fieldOf(index.column()) >= 0) f |= Qt::ItemIsEditable;
  return f;
}

QString TTableModel::cellText(int row, int column) const {
  return data(index(row, column), Qt::EditRole).toString();
}

bool TTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  engine::Table* t = table();
  refused_ = false;
  if (role != Qt::EditRole || !t || !t->isOpen() || !index.isValid()) return false;
  const int field = fieldOf(index.column());
  if (field < 0) return false;
  const QString text = value.toString();
  const bool ok = ErrorBox::guard([&] {
    const auto cur = t->currentRow();
    const bool pending = t->state() != TableState::Browse;
    // An unchanged text must not drag the record into edit state.
    if (!pending && static_cast<std::size_t>(index.row()) < t->rowCount() &&
        cellText(index.row(), index.column()) == text)
      return;
    if (!cur || static_cast<int>(*cur) != index.row())
      t->moveTo(static_cast<std::size_t>(index.row()));
    if (t->state() == TableState::Browse) t->edit();
    const std::string name = t->fields()[static_cast<std::size_t>(field)].name;
    if (QString::fromUtf8(t->fieldText(name)) != text) t->setFieldText(name, text.toStdString());
  });
  refused_ = !ok;
  return ok;
}

}  // namespace torvelle::toolkit

#pragma once
#include <QLineEdit>
#include <QPointer>
#include <QTableView>
#include <QVector>

#include "toolkit/SelectedRows.h"
#include "toolkit/TableModel.h"

namespace torvelle::toolkit {

// A grid bound to a data source: the table's visible rows in its order, with
// in-place editing, a row indicator, confirmed deletion and a multi-row
// selection kept as bookmarks. The grid's current row and the table's move
// together.
//
// The cell editor takes its maximum length from its field. Its first
// keystroke puts the record into edit state, and whenever the table posts or
// ends the pending record (a move, a close, a pack, a password change, the
// program ending) it first asks its controls to write their editors' text
// into the record (Table::updateRecord): the grid then writes the open cell
// editor's text, so nothing typed is lost by a path that never left the
// cell. A text the field refuses is reported once and stays in the open
// editor for correction; the grid keeps the row until it is mended.
class TDBGrid : public QTableView {
  Q_OBJECT
 public:
  enum Option {
    Editing = 0x001,
    Titles = 0x002,
    Indicator = 0x004,
    ColLines = 0x008,
    RowLines = 0x010,
    Tabs = 0x020,  // Tab moves between cells
    ConfirmDelete = 0x040,
    CancelOnExit = 0x080,  // an untouched inserted row goes when the grid loses focus
    MultiSelect = 0x100,
  };
  Q_DECLARE_FLAGS(Options, Option)
  static constexpr int kIndicatorWidth = 14;

  explicit TDBGrid(QWidget* parent = nullptr);
  ~TDBGrid() override;

  void setDataSource(engine::DataSource* source);
  engine::Table* table() const { return model_.table(); }
  TTableModel& tableModel() { return model_; }

  void setColumns(const QVector<TColumn>& columns);
  // Kept by the grid and applied again whenever the table resets.
  void setGridColumnWidth(int column, int width);
  int gridColumnWidth(int column) const;
  void setGridColumnVisible(int column, bool visible);
  bool gridColumnVisible(int column) const;

  void setOptions(Options options);
  Options options() const { return options_; }
  void setDeleteQuestions(const QString& one, const QString& many);

  TSelectedRows& SelectedRows() { return selected_; }

  // Ctrl+Delete: the selected records when two or more are selected, else
  // the current one, after confirmation.
  void deleteRecords();

 signals:
  // After the grid has handled the release; the tasks and section pages open
  // their move dialogs on the right button.
  void mouseReleased(Qt::MouseButton button, Qt::KeyboardModifiers modifiers);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
  void changeEvent(QEvent* event) override;
  void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

 private:
  friend class TCellDelegate;
  void editorOpened(QLineEdit* editor, const QModelIndex& index);
  void cellTextEdited();
  void writeOpenEditor();
  static bool isRowMoveKey(int key);
  void keyboardMoved(const engine::Bookmark& from, Qt::KeyboardModifiers mods);
  void followTable();
  void fitRowHeight();
  void applyColumns();
  void focusMoved(QWidget* from, QWidget* to);
  bool canModify() const;

  TTableModel model_;
  TSelectedRows selected_;
  Options options_;
  QVector<int> widths_;
  QVector<bool> visible_;
  QString askOne_ = QStringLiteral("Delete record?");
  QString askMany_ = QStringLiteral("Delete all selected records?");
  bool following_ = false;
  QPointer<QLineEdit> editor_;
  QPersistentModelIndex editorIndex_;
  bool editorRefused_ = false;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TDBGrid::Options)

}  // namespace torvelle::toolkit

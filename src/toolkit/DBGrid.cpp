#include "toolkit/DBGrid.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyledItemDelegate>

#include "toolkit/Confirm.h"
#include "toolkit/ErrorBox.h"

namespace torvelle::toolkit {

using engine::TableState;

// Makes the grid's cell editors and tells the grid of each.
class TCellDelegate : public QStyledItemDelegate {
 public:
  explicit TCellDelegate(TDBGrid& grid) : QStyledItemDelegate(&grid), grid_(grid) {}
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override {
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (auto* line = qobject_cast<QLineEdit*>(editor)) grid_.editorOpened(line, index);
    return editor;
  }

  // The delegate claims Esc before any shortcut sees it. A window with an
  // Esc shortcut (the main window closes to the tray, posting the cell) is
  // left to have it; without one the key still reaches the editor and
  // cancels the edit.
  bool eventFilter(QObject* editor, QEvent* event) override {
    if (event->type() == QEvent::ShortcutOverride &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Cancel))
      return false;
    return QStyledItemDelegate::eventFilter(editor, event);
  }

 private:
  TDBGrid& grid_;
};

TDBGrid::TDBGrid(QWidget* parent)
    : QTableView(parent), selected_([this] { return model_.table(); }) {
  setModel(&model_);
  setItemDelegate(new TCellDelegate(*this));
  // The bookmark list is the selection; the view's own would disagree with it.
  setSelectionMode(QAbstractItemView::NoSelection);
  setWordWrap(false);
  setCornerButtonEnabled(false);
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  fitRowHeight();
  verticalHeader()->setFixedWidth(kIndicatorWidth);
  verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
  horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  model_.setSelectedTest([this](int row) { return selected_.isRowSelected(row); });
  selected_.setChanged([this] { model_.selectionChanged(); });

  TDataLink& link = model_.link();
  const auto moved = [this] { selected_.invalidate(); };
  connect(&link, &TDataLink::dataReset, this, moved);
  connect(&link, &TDataLink::dataRowsInserted, this, moved);
  connect(&link, &TDataLink::dataRowsRemoved, this, moved);
  connect(&link, &TDataLink::recordMoved, this, &TDBGrid::followTable);
  connect(&model_, &QAbstractItemModel::modelReset, this, &TDBGrid::applyColumns);
  link.setUpdateRecord([this] { writeOpenEditor(); });
  connect(qApp, &QApplication::focusChanged, this, &TDBGrid::focusMoved);
  setOptions(Options(Editing | Titles | Indicator | ColLines | RowLines | Tabs | ConfirmDelete |
                     CancelOnExit | MultiSelect));
}

TDBGrid::~TDBGrid() {
  // Focus moves while the widget base is torn down; by then our members
  // are gone, so stop hearing of it first.
  disconnect(qApp, nullptr, this, nullptr);
}

void TDBGrid::fitRowHeight() {
  verticalHeader()->setMinimumSectionSize(fontMetrics().height() + 2);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
}

void TDBGrid::changeEvent(QEvent* event) {
  QTableView::changeEvent(event);
  if (event->type() == QEvent::FontChange) fitRowHeight();
}

void TDBGrid::setDataSource(engine::DataSource* source) {
  selected_.Clear();
  model_.setDataSource(source);
}

void TDBGrid::setColumns(const QVector<TColumn>& columns) {
  widths_ = QVector<int>(columns.size(), 64);
  visible_ = QVector<bool>(columns.size(), true);
  model_.setColumns(columns);
  applyColumns();
}

void TDBGrid::setGridColumnWidth(int column, int width) {
  if (column < 0 || column >= widths_.size()) return;
  widths_[column] = width;
  setColumnWidth(column, width);
}

int TDBGrid::gridColumnWidth(int column) const {
  return column >= 0 && column < widths_.size() ? widths_[column] : 0;
}

void TDBGrid::setGridColumnVisible(int column, bool visible) {
  if (column < 0 || column >= visible_.size()) return;
  visible_[column] = visible;
  setColumnHidden(column, !visible);
  if (visible) setColumnWidth(column, widths_[column]);
}

bool TDBGrid::gridColumnVisible(int column) const {
  return column >= 0 && column < visible_.size() && visible_[column];
}

void TDBGrid::applyColumns() {
  for (int c = 0; c < widths_.size(); ++c) {
    setColumnHidden(c, !visible_[c]);
    setColumnWidth(c, widths_[c]);
  }
}

void TDBGrid::setOptions(Options options) {
  options_ = options;
  model_.setEditable(options & Editing);
  setEditTriggers(options & Editing
                      ? QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                            QAbstractItemView::AnyKeyPressed
                      : QAbstractItemView::NoEditTriggers);
  horizontalHeader()->setVisible(options & Titles);
  verticalHeader()->setVisible(options & Indicator);
  setShowGrid(options & (ColLines | RowLines));
  setTabKeyNavigation(options & Tabs);
  if (!(options & MultiSelect)) selected_.Clear();
}

void TDBGrid::setDeleteQuestions(const QString& one, const QString& many) {
  askOne_ = one;
  askMany_ = many;
}

bool TDBGrid::canModify() const {
  return model_.link().canModify();
}

void TDBGrid::followTable() {
  const engine::Table* t = table();
  if (!t || !t->isOpen() || !t->currentRow() || model_.columnCount() == 0) return;
  const int row = static_cast<int>(*t->currentRow());
  if (row >= model_.rowCount()) return;
  int column = currentIndex().isValid() ? currentIndex().column() : 0;
  while (column < model_.columnCount() - 1 && isColumnHidden(column)) ++column;
  const QModelIndex target = model_.index(row, column);
  if (currentIndex() != target) {
    following_ = true;
    selectionModel()->setCurrentIndex(target, QItemSelectionModel::NoUpdate);
    following_ = false;
  }
  scrollTo(target);
}

void TDBGrid::editorOpened(QLineEdit* editor, const QModelIndex& index) {
  editor_ = editor;
  editorIndex_ = index;
  editorRefused_ = false;
  const engine::Table* t = table();
  const int field = model_.fieldOf(index.column());
  if (t && t->isOpen() && field >= 0) {
    const format::FieldDef& def = t->fields()[static_cast<std::size_t>(field)];
    // Single-byte code pages: one character is one byte of the field.
    if (def.type == format::FieldType::Alpha && def.size > 0) editor->setMaxLength(def.size);
  }
  connect(editor, &QLineEdit::textEdited, this, &TDBGrid::cellTextEdited);
}

void TDBGrid::cellTextEdited() {
  editorRefused_ = false;
  engine::Table* t = table();
  if (!t || !t->isOpen() || !editorIndex_.isValid() || t->state() != TableState::Browse) return;
  // The record is being edited from the first keystroke, so that every path
  // that ends it (a close, a shut-down) finds it pending and asks for it.
  ErrorBox::guard([&] {
    const auto row = static_cast<std::size_t>(editorIndex_.row());
    if (t->currentRow() != row) t->moveTo(row);
    t->edit();
  });
}

void TDBGrid::writeOpenEditor() {
  engine::Table* t = table();
  if (!editor_ || !editorIndex_.isValid() || !t || !t->isOpen()) return;
  if (t->currentRow() != static_cast<std::size_t>(editorIndex_.row())) return;
  const int field = model_.fieldOf(editorIndex_.column());
  if (field < 0) return;
  const QString text = editor_->text();
  if (model_.cellText(editorIndex_.row(), editorIndex_.column()) == text) return;
  // Thrown on: the post that asked stops, and the editor keeps the text.
  t->setFieldText(t->fields()[static_cast<std::size_t>(field)].name, text.toStdString());
}

void TDBGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
  if (editor == editor_ && model_.lastWriteRefused() &&
      hint != QAbstractItemDelegate::RevertModelCache) {
    // The text was refused and reported: keep it in the editor to be mended.
    editorRefused_ = true;
    editor->setFocus();
    return;
  }
  editorRefused_ = false;
  if (editor == editor_) editor_ = nullptr;
  QTableView::closeEditor(editor, hint);
}

void TDBGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  QTableView::currentChanged(current, previous);
  // Rows coming or going move the view's index; that is no move of the user's.
  if (model_.changingRows()) return;
  if (editorRefused_ && editor_) {
    // The refused text is still being mended: the row stays.
    followTable();
    return;
  }
  if (following_ || !current.isValid()) return;
  engine::Table* t = table();
  if (!t || !t->isOpen()) return;
  const auto row = static_cast<std::size_t>(current.row());
  if (t->currentRow() != row && row < t->rowCount()) ErrorBox::guard([&] { t->moveTo(row); });
  // The move may have failed (a post refused) or shifted rows: show where
  // the table really is.
  followTable();
}

void TDBGrid::mousePressEvent(QMouseEvent* event) {
  const QModelIndex index = indexAt(event->position().toPoint());
  engine::Table* t = table();
  if (index.isValid() && t && t->isOpen()) {
    if (event->button() != Qt::LeftButton) {
      // The view moves its cursor on the left button only; every button
      // makes the row under the pointer current.
      setFocus(Qt::MouseFocusReason);
      selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    }
  }
  QTableView::mousePressEvent(event);
  if (!index.isValid() || !t || !t->isOpen() || !(options_ & MultiSelect)) return;
  if (t->currentRow() != static_cast<std::size_t>(index.row())) return;  // the move failed
  const engine::Bookmark mark = t->bookmark();
  if (event->modifiers() & Qt::ControlModifier) {
    selected_.toggle(mark);
  } else {
    selected_.Clear();
    selected_.add(mark);
  }
}

void TDBGrid::mouseReleaseEvent(QMouseEvent* event) {
  QTableView::mouseReleaseEvent(event);
  emit mouseReleased(event->button(), event->modifiers());
}

void TDBGrid::keyPressEvent(QKeyEvent* event) {
  engine::Table* t = table();
  const bool open = t && t->isOpen();
  const auto mods =
      event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
  switch (event->key()) {
    case Qt::Key_Delete:
      if (mods == Qt::ControlModifier) {
        deleteRecords();
        return;
      }
      break;
    case Qt::Key_Insert:
      if (mods == Qt::NoModifier && open && canModify() && (options_ & Editing)) {
        ErrorBox::guard([&] { t->insert(); });
        return;
      }
      break;
    case Qt::Key_Escape:
      selected_.Clear();
      if (open && t->state() != TableState::Browse) {
        ErrorBox::guard([&] { t->cancel(); });
        return;
      }
      // Nothing to cancel here: the window may want the key.
      event->ignore();
      return;
    case Qt::Key_Down:
      // Past the last row a new record begins, unless one is already new.
      if (mods == Qt::NoModifier && open && canModify() && (options_ & Editing) &&
          t->currentRow() && *t->currentRow() + 1 == t->rowCount() &&
          !(t->state() == TableState::Insert && !t->modified())) {
        ErrorBox::guard([&] { t->append(); });
        return;
      }
      break;
    default:
      break;
  }
  const bool rowMove = isRowMoveKey(event->key());
  const engine::Bookmark from = open ? t->bookmark() : engine::Bookmark();
  QTableView::keyPressEvent(event);
  if (rowMove && open && (options_ & MultiSelect)) keyboardMoved(from, mods);
}

bool TDBGrid::isRowMoveKey(int key) {
  return key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp ||
         key == Qt::Key_PageDown || key == Qt::Key_Home || key == Qt::Key_End;
}

void TDBGrid::keyboardMoved(const engine::Bookmark& from, Qt::KeyboardModifiers mods) {
  // The selection follows the keyboard as it follows the mouse: a plain move
  // selects the new row alone, Shift extends the selection, Ctrl leaves it.
  const engine::Bookmark to = table()->bookmark();
  if (to.empty() || to == from || (mods & Qt::ControlModifier)) return;
  if (mods & Qt::ShiftModifier)
    selected_.add(from);  // the row the extension starts from
  else
    selected_.Clear();
  selected_.add(to);
}

void TDBGrid::deleteRecords() {
  engine::Table* t = table();
  if (!t || !t->isOpen() || !canModify() || !t->currentRow()) return;
  const int n = selected_.Count();
  if ((options_ & ConfirmDelete) && !Confirm::ask(this, n < 2 ? askOne_ : askMany_)) return;
  ErrorBox::guard([&] {
    if (n < 2) {
      t->remove();
      return;
    }
    for (const engine::Bookmark& mark : selected_.bookmarks()) {
      t->gotoBookmark(mark);
      t->remove();
    }
    selected_.Clear();
  });
}

void TDBGrid::focusMoved(QWidget* from, QWidget* to) {
  // Leaving the grid (its cell editor counts as the grid) for another
  // control of its window drops a new row nobody typed into. A window
  // losing activation is no leaving, nor is a message or a dialog taking
  // the focus; and text still in the cell editor (refused, to be mended)
  // is typing, though the record has none of it yet.
  if (!(options_ & CancelOnExit) || !to || !from || to->window() != window()) return;
  const bool wasInside = from == this || isAncestorOf(from);
  const bool isInside = to == this || isAncestorOf(to);
  if (!wasInside || isInside) return;
  if (editor_ && !editor_->text().isEmpty()) return;
  engine::Table* t = table();
  if (t && t->isOpen() && t->state() == TableState::Insert && !t->modified())
    ErrorBox::guard([&] { t->cancel(); });
}

}  // namespace torvelle::toolkit

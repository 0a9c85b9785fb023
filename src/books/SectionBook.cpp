#include "books/SectionBook.h"

#include <QMouseEvent>
#include <QResizeEvent>
#include <QUrl>

#include "books/TaskRules.h"
#include "engine/DbError.h"
#include "engine/FieldNames.h"
#include "support/TextMatch.h"
#include "toolkit/ErrorBox.h"

namespace torvelle::books {

using toolkit::ErrorBox;

namespace {

constexpr int kFilterRowHeight = 22;
constexpr int kGridTop = 23;
constexpr int kToolBarHeight = 28;
// The records grid ends this far above the page's bottom edge; the book's
// fields or description fill the gap above the tool bar.
constexpr int kRecordsBottomGap = 121;
constexpr int kDesignWidth = 632;
constexpr int kDesignHeight = 383;

std::string toStd(const QString& s) {
  return s.toUtf8().toStdString();
}

}  // namespace

TSectionBook::TSectionBook(TSectionBookParts parts, store::TParadoxTable& sectionsTable,
                           engine::DataSource& sectionsSource, store::TParadoxTable& recordsTable,
                           engine::DataSource& recordsSource, TMoveRecToSectForm& moveForm,
                           QWidget* parent)
    : QWidget(parent),
      parts_(std::move(parts)),
      sectionsTable_(sectionsTable),
      sectionsSource_(sectionsSource),
      recordsTable_(recordsTable),
      recordsSource_(recordsSource),
      moveForm_(moveForm) {
  setObjectName(parts_.page);
  buildControls();
  bindEvents();
  resize(kDesignWidth, kDesignHeight);
}

TSectionBook::~TSectionBook() {
  for (engine::Table* t :
       {static_cast<engine::Table*>(&sectionsTable_), static_cast<engine::Table*>(&recordsTable_)})
    t->events() = {};
}

void TSectionBook::buildControls() {
  const QString& sec = parts_.sections;
  const QString& rec = parts_.records;

  SectionsFilterRow = new toolkit::TFilterRow(sec + QStringLiteral("RegSB"),
                                              sec + QStringLiteral("FilterSB"), this);
  SectionsFilterRow->setObjectName(sec + QStringLiteral("FilterRow"));
  SectionsEdit = SectionsFilterRow->addEdit(sec + QStringLiteral("Edit"), 30);
  SectionsFilterRow->setAutoLayout(true);

  RecordsFilterRow = new toolkit::TFilterRow(rec + QStringLiteral("RegSB"),
                                             rec + QStringLiteral("FilterSB"), this);
  RecordsFilterRow->setObjectName(rec + QStringLiteral("FilterRow"));
  for (const auto& e : parts_.searchEdits)
    RecordsFilterRow->addEdit(e.name, e.maxLength, e.fixedWidth);
  RecordsFilterRow->setAutoLayout(true);
  patterns_.resize(static_cast<std::size_t>(parts_.searchEdits.size()));
  foldedPatterns_.resize(patterns_.size());

  SectionsDBGrid = new toolkit::TDBGrid(this);
  SectionsDBGrid->setObjectName(sec + QStringLiteral("DBGrid"));
  SectionsDBGrid->setColumns(
      {{QString::fromLatin1(engine::kSectionField), QStringLiteral("Раздел")}});
  SectionsDBGrid->setGridColumnWidth(0, 139);

  RecordsDBGrid = new toolkit::TDBGrid(this);
  RecordsDBGrid->setObjectName(rec + QStringLiteral("DBGrid"));
  RecordsDBGrid->setColumns(parts_.columns);
  for (int c = 0; c < parts_.columnWidths.size(); ++c)
    RecordsDBGrid->setGridColumnWidth(c, parts_.columnWidths[c]);
  // The design places; resizes follow the rules from here.
  RecordsDBGrid->setGeometry(175, kGridTop, 457, 239);
  for (toolkit::TDBGrid* g : {SectionsDBGrid, RecordsDBGrid}) {
    g->setFrameShape(QFrame::Box);
    g->setLineWidth(1);
  }

  ToolBar = new QWidget(this);
  ToolBar->setObjectName(parts_.toolBar);
  ToolBar->installEventFilter(this);
  SectionCB = new QCheckBox(parts_.linkCaption, ToolBar);
  SectionCB->setObjectName(parts_.linkBox);
  SectionCB->setChecked(true);
  Navigator = new toolkit::TDBNavigator(ToolBar);
  Navigator->setObjectName(rec + QStringLiteral("DBNavigator"));
  MoveTB = new QToolButton(ToolBar);
  MoveTB->setObjectName(rec + QStringLiteral("MoveTB"));
  MoveTB->setIcon(style()->standardIcon(QStyle::SP_ArrowForward));
  MoveTB->setToolTip(QStringLiteral("Move records"));
  MoveTB->setFocusPolicy(Qt::NoFocus);
  Exchange = new TPageExchange(rec, recordsTable_, &sectionsTable_, ToolBar);
  Exchange->setExportSection([this] { return exportSection(); });
  connect(Exchange, &TPageExchange::imported, this, &TSectionBook::showImported);
}

int TSectionBook::requiredField(const char* name) const {
  const int f = recordsTable_.fieldIndex(name);
  if (f < 0)
    throw engine::DbError(engine::DbError::Kind::General,
                          std::string("Field '") + name + "' not found.");
  return f;
}

void TSectionBook::SectionsRegSBClick() {
  takePatterns();
  reapply(sectionsTable_);
}

void TSectionBook::RecordsRegSBClick() {
  takePatterns();
  reapply(recordsTable_);
}

void TSectionBook::RecordsTableNewRecord() {
  newRecordSection(recordsTable_);
  newRecord(recordsTable_);
}

void TSectionBook::bindEvents() {
  connect(SectionsFilterRow, &toolkit::TFilterRow::changed, this,
          &TSectionBook::SectionsRegSBClick);
  connect(RecordsFilterRow, &toolkit::TFilterRow::changed, this, &TSectionBook::RecordsRegSBClick);
  connect(SectionsFilterRow, &toolkit::TFilterRow::switched, this,
          [this] { SwitchFilter(SectionsFilterRow, sectionsTable_, SectionsDBGrid); });
  connect(RecordsFilterRow, &toolkit::TFilterRow::switched, this,
          [this] { SwitchFilter(RecordsFilterRow, recordsTable_, RecordsDBGrid); });
  connect(SectionCB, &QCheckBox::clicked, this, &TSectionBook::SetSectionLink);
  connect(MoveTB, &QToolButton::clicked, this, &TSectionBook::MoveRecordsToSection);
  connect(RecordsDBGrid, &toolkit::TDBGrid::mouseReleased, this,
          [this](Qt::MouseButton b, Qt::KeyboardModifiers) { RecordsDBGridMouseUp(b); });

  engine::TableEvents& s = sectionsTable_.events();
  s.filterRecord = [this](const engine::RecordView& r) { return sectionsFilter(r); };
  s.beforeEdit = [this](engine::Table&) {
    oldSectionName_ = sectionsTable_.fieldText(engine::kSectionField);
  };
  s.afterPost = [this](engine::Table&) { RenameSectionRecords(); };
  s.afterCancel = [this](engine::Table&) { oldSectionName_.reset(); };
  s.beforeDelete = [this](engine::Table&) { DeleteSectionRecords(); };
  engine::TableEvents& r = recordsTable_.events();
  r.filterRecord = [this](const engine::RecordView& v) { return recordsFilter(v); };
  r.newRecord = [this](engine::Table&) { RecordsTableNewRecord(); };

  SectionsDBGrid->setDataSource(&sectionsSource_);
  RecordsDBGrid->setDataSource(&recordsSource_);
  Navigator->setDataSource(&recordsSource_);
  takePatterns();
}

// --- Filters --------------------------------------------------------------

void TSectionBook::takePatterns() {
  sectionsPattern_ = toStd(SectionsEdit->text());
  // Each table folds by its own code page.
  sectionsFolded_ = sectionsTable_.caseFold()(sectionsPattern_);
  for (std::size_t i = 0; i < patterns_.size(); ++i) {
    patterns_[i] = toStd(RecordsFilterRow->text(static_cast<int>(i)));
    foldedPatterns_[i] = recordsTable_.caseFold()(patterns_[i]);
  }
}

bool TSectionBook::sectionsFilter(const engine::RecordView& record) const {
  if (sectionsPattern_.empty()) return true;
  if (SectionsFilterRow->ignoreCase())
    return record.foldedText(0).find(sectionsFolded_) != std::string_view::npos;
  return record.text(0).find(sectionsPattern_) != std::string_view::npos;
}

void TSectionBook::reapply(engine::Table& table) {
  ErrorBox::guard([&] {
    if (table.isOpen()) table.setFiltered(true);
  });
}

void TSectionBook::SwitchFilter(toolkit::TFilterRow* row, engine::Table& table,
                                toolkit::TDBGrid* grid) {
  const bool on = row->isOn();
  takePatterns();
  ErrorBox::guard([&] {
    if (table.isOpen()) table.setFiltered(on);
  });
  if (on)
    row->edits().front()->setFocus();
  else
    grid->setFocus();
}

// --- Link and new records -------------------------------------------------

void TSectionBook::SetSectionLink() {
  ErrorBox::guard([&] {
    recordsTable_.setMasterSource(SectionCB->isChecked() ? &sectionsSource_ : nullptr);
    if (recordsTable_.isOpen()) recordsTable_.refresh();
  });
}

void TSectionBook::newRecordSection(engine::Table& table) {
  // With the link on the engine has filled it from the master already.
  if (SectionCB->isChecked() || !sectionsTable_.currentRow()) return;
  table.setField(engine::kSectionField,
                 format::Value(sectionsTable_.fieldText(engine::kSectionField)));
}

// --- Cascades -------------------------------------------------------------

namespace {

// The key that finds a section's records: an empty name is a blank field.
format::Record sectionKey(const std::string& name) {
  return {name.empty() ? format::Value{} : format::Value(name)};
}

}  // namespace

format::FieldChanges TSectionBook::sectionChange(const std::string& name) const {
  return {{requiredField(engine::kSectionField), sectionKey(name).front()}};
}

void TSectionBook::RenameSectionRecords() {
  // The name ends with this edit, whatever happens next.
  const std::optional<std::string> oldName = std::exchange(oldSectionName_, std::nullopt);
  if (puttingBack_ || sectionsTable_.lastPostInserted() || !oldName) return;
  const std::string newName = sectionsTable_.fieldText(engine::kSectionField);
  if (newName == *oldName) return;
  try {
    const std::vector<engine::Bookmark> marks =
        recordsTable_.bookmarksWithKey(sectionKey(*oldName));
    if (!marks.empty()) recordsTable_.updateRecords(marks, sectionChange(newName));
  } catch (...) {
    // The records kept the old name: the section must keep it too.
    const std::exception_ptr error = std::current_exception();
    putBackSectionName(*oldName);
    ErrorBox::report(error);
  }
}

void TSectionBook::putBackSectionName(const std::string& name) {
  puttingBack_ = true;
  ErrorBox::guard([&] {
    try {
      sectionsTable_.edit();
      sectionsTable_.setField(engine::kSectionField,
                              name.empty() ? format::Value{} : format::Value(name));
      sectionsTable_.post();
    } catch (...) {
      if (sectionsTable_.state() != engine::TableState::Browse) sectionsTable_.cancel();
      puttingBack_ = false;
      throw;
    }
  });
  puttingBack_ = false;
  oldSectionName_.reset();
}

void TSectionBook::DeleteSectionRecords() {
  // Thrown on: the engine then keeps the section as well.
  const std::string name = sectionsTable_.fieldText(engine::kSectionField);
  const std::vector<engine::Bookmark> marks = recordsTable_.bookmarksWithKey(sectionKey(name));
  if (!marks.empty()) recordsTable_.removeRecords(marks);
}

// --- Moving records -------------------------------------------------------

void TSectionBook::RecordsDBGridMouseUp(Qt::MouseButton button) {
  if (button == Qt::RightButton) MoveTB->click();
}

void TSectionBook::MoveRecordsToSection() {
  toolkit::TSelectedRows& selected = RecordsDBGrid->SelectedRows();
  if (selected.Count() < 1) return;
  if (!sectionsTable_.isOpen() || sectionsTable_.recordCount() < 2) return;
  // The sections as the grid lists them, without the one the current record
  // is in; read from the rows, so no cursor moves and the link stays.
  const std::string current =
      recordsTable_.currentRow() ? recordsTable_.fieldText(engine::kSectionField) : std::string();
  std::vector<std::string> shown;
  shown.reserve(sectionsTable_.rowCount());
  for (std::size_t i = 0; i < sectionsTable_.rowCount(); ++i)
    shown.emplace_back(sectionsTable_.row(i).text(0));
  QStringList list;
  for (const std::string& s : moveTargets(shown, current)) list << QString::fromStdString(s);
  moveForm_.setSections(list);
  // With nothing to choose OK is disabled; Esc and the close box cancel.
  if (moveForm_.exec() != QDialog::Accepted || moveForm_.ListBox->currentRow() < 0) return;
  const std::string name = toStd(moveForm_.chosenSection());
  // One change: a record that would collide in the target stops them all.
  const bool moved = ErrorBox::guard(
      [&] { recordsTable_.updateRecords(selected.bookmarks(), sectionChange(name)); });
  if (moved) selected.Clear();
}

// --- Import and export ----------------------------------------------------

std::string TSectionBook::exportSection() const {
  // What the user sees: the current section's records while linked, all else.
  if (!SectionCB->isChecked() || !sectionsTable_.isOpen() || !sectionsTable_.currentRow())
    return {};
  return sectionsTable_.fieldText(engine::kSectionField);
}

void TSectionBook::showImported(const exchange::ImportSummary& summary) {
  if (!SectionCB->isChecked() || summary.sections.empty() || !sectionsTable_.isOpen()) return;
  if (sectionsTable_.currentRow() &&
      summary.sections.contains(sectionsTable_.fieldText(engine::kSectionField)))
    return;
  sectionsTable_.findKey(format::Value(*summary.sections.begin()));
}

// --- Shell hand-over ------------------------------------------------------

void TSectionBook::handOver(const QString& text, HandOverKind kind) {
  const HandOver h = handOverUrl(toStd(text), kind);
  if (!h.refusal.empty()) {
    ErrorBox::report(QString::fromStdString(h.refusal));
    return;
  }
  if (h.url.empty() || !shell_) return;
  const QUrl url(QString::fromStdString(h.url), QUrl::StrictMode);
  if (!url.isValid()) {
    ErrorBox::report(QStringLiteral("\"%1\" is not an address that can be opened.").arg(text));
    return;
  }
  shell_->openUrl(url);
}

// --- Layout ---------------------------------------------------------------

void TSectionBook::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  BookResize();
}

bool TSectionBook::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ToolBar && event->type() == QEvent::Resize) ToolBarResize();
  return QWidget::eventFilter(watched, event);
}

void TSectionBook::ToolBarResize() {
  const SectionBookLayout l = sectionBookLayout(ToolBar->width());
  const int h = ToolBar->height();
  const int side = h - 2;
  // Import and export, square, just before the navigator: the designed
  // controls keep their places and the link box gives up its spare width.
  // Should its text then not fit, the navigator gives up some of its own,
  // down to square buttons.
  const int room = ToolBar->width() - l.navigatorWidth - l.buttonWidth - 2 * side - 12;
  const int shortBy = std::max(0, SectionCB->sizeHint().width() - room);
  const int navigator = std::max(std::min(l.navigatorWidth, toolkit::TDBNavigator::kButtons * side),
                                 l.navigatorWidth - shortBy);
  const int navLeft = ToolBar->width() - navigator - l.buttonWidth - 4;
  Navigator->setGeometry(navLeft, 1, navigator, h - 2);
  MoveTB->setGeometry(navLeft + navigator, 1, l.buttonWidth, h - 2);
  const int exchangeLeft = navLeft - 2 * side;
  Exchange->ImportTB->setGeometry(exchangeLeft, 1, side, side);
  Exchange->ExportTB->setGeometry(exchangeLeft + side, 1, side, side);
  SectionCB->setGeometry(4, 1, std::max(0, std::min(l.linkBoxWidth, exchangeLeft - 8)), h - 2);
}

void TSectionBook::BookResize() {
  const int w = width();
  const int h = height();
  const SectionBookLayout l = sectionBookLayout(w);
  const int toolTop = std::max(kGridTop, h - kToolBarHeight);
  const int recordsHeight = std::max(0, h - kRecordsBottomGap - kGridTop);
  ToolBar->setGeometry(0, toolTop, w, kToolBarHeight);
  ToolBarResize();  // a hidden bar hears of its size only when shown

  const GridWidthOrder order = gridWidthOrder(w, Tag);
  const int recordsWidth =
      order == GridWidthOrder::Unchanged ? RecordsDBGrid->width() : l.recordsWidth;
  if (order == GridWidthOrder::Before)
    RecordsDBGrid->setGeometry(l.recordsLeft, kGridTop, recordsWidth, recordsHeight);
  placeColumns(l);
  RecordsDBGrid->setGeometry(l.recordsLeft, kGridTop, recordsWidth, recordsHeight);

  SectionsDBGrid->setGeometry(0, kGridTop, l.sectionsGridWidth,
                              std::max(0, toolTop - kGridTop - 1));
  SectionsDBGrid->setGridColumnWidth(0, l.sectionsColumn);
  SectionsFilterRow->setGeometry(0, 0, l.sectionsGridWidth, kFilterRowHeight);
  RecordsFilterRow->setGeometry(l.recordsLeft, 0, w - l.recordsLeft, kFilterRowHeight);
  placeRecordsArea(l, h);
  Tag = w;
}

bool TSectionBook::showRecord(const format::Record& key) {
  if (key.empty() || !recordsTable_.isOpen()) return false;
  const std::vector<engine::Bookmark> found = recordsTable_.bookmarksWithKey(key);
  if (found.empty()) return false;
  // The section first: with the link box checked it decides what the
  // records grid shows.
  sectionsTable_.findKey(key.front());
  if (!recordsTable_.rowOfBookmark(found.front())) {
    // Hidden by the records filter: the filter gives way to the record.
    RecordsFilterRow->FilterButton->setChecked(false);
    SwitchFilter(RecordsFilterRow, recordsTable_, RecordsDBGrid);
  }
  recordsTable_.gotoBookmark(found.front());
  RecordsDBGrid->setFocus();
  return true;
}

}  // namespace torvelle::books

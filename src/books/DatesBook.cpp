#include "books/DatesBook.h"

#include <QDateTime>
#include <QLocale>

#include "books/RepeatDlg.h"
#include "engine/FieldNames.h"
#include "recurrence/Expansion.h"
#include "recurrence/RecordSeries.h"
#include "toolkit/ErrorBox.h"

#include <algorithm>

#include "toolkit/EngineDates.h"

namespace torvelle::books {

namespace {

constexpr int kDateColumnDesignWidth = 64;
// The row indicator, the scroll bar and the grid lines beside the two columns.
constexpr int kGridChrome = 35;
// A cell's margins of 3 pixels a side and its grid line.
constexpr int kCellExtra = 2 * 3 + 1;

TSectionBookParts datesParts() {
  TSectionBookParts p;
  p.page = QStringLiteral("DatesBook");
  p.sections = QStringLiteral("DateSections");
  p.records = QStringLiteral("Dates");
  p.toolBar = QStringLiteral("HelpfulDatesTB");
  p.linkBox = QStringLiteral("SectionDateCB");
  p.linkCaption = QStringLiteral("Раздел \\ События");
  p.columns = {{QString::fromLatin1(engine::kEventField), QStringLiteral("Событие")},
               {QString::fromLatin1(engine::kDateField), QStringLiteral("Дата")}};
  p.columnWidths = {358, 64};
  p.searchEdits = {{QStringLiteral("EventsEdit"), 70}, {QStringLiteral("DatesEdit"), 8, 64}};
  return p;
}

// The part of the text that `pattern` is looked for in, folded or not.
bool contains(std::string_view text, const std::string& pattern) {
  return pattern.empty() || text.find(pattern) != std::string_view::npos;
}

}  // namespace

TDatesBook::TDatesBook(store::TTableSet& tables, TMoveRecToSectForm& moveForm, QWidget* parent)
    : TDescribedBook(datesParts(), tables.DateSectionsTable, tables.DateSectionsDataSource,
                     tables.DatesTable, tables.DatesDataSource, moveForm,
                     QStringLiteral("DatesDescriptionLabel"), QStringLiteral("Подробно:"),
                     QStringLiteral("DatesDBMemo"), parent),
      EventsEdit(RecordsFilterRow->edits().at(0)),
      DatesEdit(RecordsFilterRow->edits().at(1)) {
  // A date the grid would cut short is unreadable: the column, and the date
  // search box above it, grow to the locale's widest date in the grid's font.
  dateColumn_ = std::max(kDateColumnDesignWidth,
                         toolkit::widestShortDateWidth(RecordsDBGrid->font()) + kCellExtra);
  RecordsDBGrid->setGridColumnWidth(1, dateColumn_);
  RecordsFilterRow->setFixedEditWidth(1, dateColumn_);
  RepeatSB = new QToolButton(DescriptionLabel);
  RepeatSB->setObjectName(QStringLiteral("DatesRepeatSB"));
  RepeatSB->setText(QStringLiteral("\u21BB"));
  RepeatSB->setFocusPolicy(Qt::NoFocus);
  connect(RepeatSB, &QToolButton::clicked, this, &TDatesBook::RepeatSBClick);
  RecordsDBGrid->tableModel().setTextHook(
      [this](int row, int field, QString& text) { decorateEvent(row, field, text); });
  BookResize();
}

void TDatesBook::decorateEvent(int row, int field, QString& text) {
  engine::Table* table = RecordsDBGrid->tableModel().table();
  if (!table || field != table->fieldIndex(engine::kEventField) || row < 0 ||
      static_cast<std::size_t>(row) >= table->rowCount())
    return;
  const auto series = recurrence::SeriesFields::of(table->info().fields);
  const format::Record& record = table->row(static_cast<std::size_t>(row)).values();
  if (!series.canRepeat()) return;
  const auto set = recurrence::repeatSetOf(series, record);
  const auto start = recurrence::startOf(series, record);
  if (!set.repeats() || !start) return;
  const QDate today = QDate::currentDate();
  const auto next =
      recurrence::nextOccurrence(set, *start, std::nullopt, toolkit::fromQDate(today));
  text.prepend(QStringLiteral("\u21BB "));
  if (!next) return;
  const QDate first = toolkit::toQDate(*start), on = toolkit::toQDate(next->date);
  int years = on.year() - first.year();
  if (on.month() < first.month() || (on.month() == first.month() && on.day() < first.day()))
    --years;
  const QString format = toolkit::shortDateFormat();
  text += QStringLiteral(" (") +
          texts_->NextOccurrence.arg(QLocale().toString(on, format))
              .arg(years)
              .arg(QLocale().toString(first, format)) +
          QLatin1Char(')');
}

void TDatesBook::RepeatSBClick() {
  engine::Table* table = RecordsDBGrid->tableModel().table();
  if (!table || !table->isOpen() || !table->currentRow()) return;
  const auto series = recurrence::SeriesFields::of(table->info().fields);
  if (!series.canRepeat()) {
    toolkit::ErrorBox::report(texts_->Unavailable);
    return;
  }
  toolkit::ErrorBox::guard([&] {
    table->checkBrowseMode();
    const auto start = table->dateField(engine::kDateField);
    if (!start) return;
    const auto set = recurrence::repeatSetOf(series, table->current().values());
    TRepeatDlg dialog(*texts_, this);
    dialog.setSeries(*start, set.rule, set, toolkit::fromQDate(QDate::currentDate()));
    if (dialog.exec() != QDialog::Accepted || dialog.readOnly()) return;
    const std::string rule = dialog.rule();
    table->updateRecords({table->bookmark()},
                         {{series.rule, rule.empty() ? format::Value{} : format::Value{rule}}});
  });
}

bool TDatesBook::DatesTableFilterRecord(const engine::RecordView& record) {
  if (eventField_ < 0) {
    eventField_ = requiredField(engine::kEventField);
    dateField_ = requiredField(engine::kDateField);
  }
  // The event first; the date is looked at only for a matching event.
  if (RecordsFilterRow->ignoreCase()) {
    if (!contains(record.foldedText(eventField_), foldedPattern(0))) return false;
    return contains(record.foldedText(dateField_), foldedPattern(1));
  }
  if (!contains(record.text(eventField_), pattern(0))) return false;
  return contains(record.text(dateField_), pattern(1));
}

void TDatesBook::DatesTableNewRecord(engine::Table& table) {
  const QDateTime now = QDateTime::currentDateTime();
  table.setField(engine::kDateField, format::Value(toolkit::fromQDate(now.date())));
  table.setField(engine::kTimeField, format::Value(toolkit::fromQTime(now.time())));
}

void TDatesBook::placeColumns(const SectionBookLayout& l) {
  RecordsDBGrid->setGridColumnWidth(0, std::max(0, l.recordsWidth - kGridChrome - dateColumn_));
  const int side = DescriptionLabel->height();
  RepeatSB->setGeometry(DescriptionLabel->width() - side, 0, side, side);
}

}  // namespace torvelle::books

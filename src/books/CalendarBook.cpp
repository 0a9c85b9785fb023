#include "books/CalendarBook.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "engine/Table.h"
#include "toolkit/EngineDates.h"

namespace torvelle::books {
namespace {

QToolButton* toolButton(QWidget* parent, const char* name, const QString& text) {
  auto* button = new QToolButton(parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setText(text);
  button->setAutoRaise(true);
  return button;
}

}  // namespace

TCalendarBook::TCalendarBook(engine::Table& taskTable, engine::Table& datesTable,
                             const print::TCalendarTexts& texts, QWidget* parent)
    : QWidget(parent), taskTable_(&taskTable), datesTable_(&datesTable), texts_(texts) {
  setObjectName(QStringLiteral("CalendarBook"));
  CalendarTB = new QWidget(this);
  CalendarTB->setObjectName(QStringLiteral("CalendarTB"));
  PriorTB = toolButton(CalendarTB, "CalendarPriorTB", QStringLiteral("\u25c0"));
  NextTB = toolButton(CalendarTB, "CalendarNextTB", QStringLiteral("\u25b6"));
  TodayTB = toolButton(CalendarTB, "CalendarTodayTB", QStringLiteral("Today"));
  MonthTB = toolButton(CalendarTB, "CalendarMonthTB", QStringLiteral("Month"));
  WeekTB = toolButton(CalendarTB, "CalendarWeekTB", QStringLiteral("Week"));
  for (QToolButton* b : {MonthTB, WeekTB}) b->setCheckable(true);
  MonthTB->setChecked(true);
  for (QToolButton* b : {PriorTB, NextTB, TodayTB, MonthTB, WeekTB}) b->setFocusPolicy(Qt::NoFocus);
  PeriodLabel = new QLabel(CalendarTB);
  PeriodLabel->setObjectName(QStringLiteral("CalendarPeriodLabel"));
  QFont bold = PeriodLabel->font();
  bold.setBold(true);
  PeriodLabel->setFont(bold);
  auto* bar = new QHBoxLayout(CalendarTB);
  bar->setContentsMargins(2, 2, 2, 2);
  for (QWidget* w : std::initializer_list<QWidget*>{PriorTB, NextTB, TodayTB}) bar->addWidget(w);
  bar->addSpacing(12);
  bar->addWidget(PeriodLabel, 1);
  bar->addWidget(MonthTB);
  bar->addWidget(WeekTB);

  CalendarView = new TCalendarView(texts_, this);
  CalendarView->setSource([this] {
    return taskTable_ && datesTable_ ? calendarDataOf(*taskTable_, *datesTable_) : CalendarData();
  });
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(CalendarTB);
  layout->addWidget(CalendarView, 1);
  setFocusProxy(CalendarView);

  connect(PriorTB, &QToolButton::clicked, this, [this] { step(-1); });
  connect(NextTB, &QToolButton::clicked, this, [this] { step(1); });
  connect(TodayTB, &QToolButton::clicked, this, [this] { CalendarView->setChosenDay(today_); });
  connect(MonthTB, &QToolButton::clicked, this, [this] {
    MonthTB->setChecked(true);
    WeekTB->setChecked(false);
    CalendarView->setMode(TCalendarView::MonthView);
    showPeriod();
  });
  connect(WeekTB, &QToolButton::clicked, this, [this] {
    WeekTB->setChecked(true);
    MonthTB->setChecked(false);
    CalendarView->setMode(TCalendarView::WeekView);
    showPeriod();
  });
  connect(CalendarView, &TCalendarView::chosenDayChanged, this, [this] { showPeriod(); });
  taskTable_->addObserver(this);
  datesTable_->addObserver(this);
  setToday(QDate::currentDate());
}

TCalendarBook::~TCalendarBook() {
  if (taskTable_) taskTable_->removeObserver(this);
  if (datesTable_) datesTable_->removeObserver(this);
}

void TCalendarBook::setToday(QDate today) {
  today_ = today;
  CalendarView->setToday(today);
  showPeriod();
}

void TCalendarBook::step(int direction) {
  if (CalendarView->mode() == TCalendarView::WeekView)
    CalendarView->setChosenDay(CalendarView->chosenDay().addDays(7 * direction));
  else
    CalendarView->moveMonths(direction);
}

void TCalendarBook::showPeriod() {
  const QDate day = CalendarView->chosenDay();
  if (CalendarView->mode() == TCalendarView::WeekView) {
    const QDate first = toolkit::toQDate(CalendarView->firstShown());
    const QString format = QStringLiteral("dd.MM.yyyy");
    PeriodLabel->setText(
        texts_.WeekTitle.arg(first.toString(format), first.addDays(6).toString(format)));
  } else {
    PeriodLabel->setText(texts_.monthName(day.month()) + QLatin1Char(' ') +
                         QString::number(day.year()));
  }
}

// Any change of either table may change what a day shows.
void TCalendarBook::tableReset(engine::Table&) {
  CalendarView->dataChanged();
}
void TCalendarBook::rowsInserted(engine::Table&, std::size_t, std::size_t) {
  CalendarView->dataChanged();
}
void TCalendarBook::rowsRemoved(engine::Table&, std::size_t, std::size_t) {
  CalendarView->dataChanged();
}
void TCalendarBook::rowChanged(engine::Table&, std::size_t) {
  CalendarView->dataChanged();
}
void TCalendarBook::observedGone() {
  taskTable_ = nullptr;
  datesTable_ = nullptr;
}

}  // namespace torvelle::books

#pragma once
#include <QLabel>
#include <QToolButton>
#include <QWidget>

#include "books/CalendarView.h"
#include "engine/TableObserver.h"
#include "print/CalendarTexts.h"

namespace torvelle::engine {
class Table;
}

namespace torvelle::books {

// The calendar page after the four notebooks: a bar to go back and forth,
// to today and between month and week, above the calendar itself. It reads
// the task and dates tables and follows their changes.
class TCalendarBook : public QWidget, private engine::TableObserver {
  Q_OBJECT
 public:
  TCalendarBook(engine::Table& taskTable, engine::Table& datesTable,
                const print::TCalendarTexts& texts, QWidget* parent = nullptr);
  ~TCalendarBook() override;

  QWidget* CalendarTB;
  QToolButton* PriorTB;
  QToolButton* NextTB;
  QToolButton* TodayTB;
  QToolButton* MonthTB;
  QToolButton* WeekTB;
  QLabel* PeriodLabel;
  TCalendarView* CalendarView;

  void setToday(QDate today);
  // Back or forth by the view's own step: a month or a week.
  void step(int direction);
  // The title above the grid, after a move or a change of language.
  void showPeriod();

 private:
  void tableReset(engine::Table& table) override;
  void rowsInserted(engine::Table& table, std::size_t, std::size_t) override;
  void rowsRemoved(engine::Table& table, std::size_t, std::size_t) override;
  void rowChanged(engine::Table& table, std::size_t) override;
  void observedGone() override;

  engine::Table* taskTable_;
  engine::Table* datesTable_;
  const print::TCalendarTexts& texts_;
  QDate today_;
};

}  // namespace torvelle::books

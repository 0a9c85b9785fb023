#pragma once
#include <QString>
#include <QStringList>
#include <QVector>
#include <vector>

#include "books/BookLists.h"
#include "books/CalendarRules.h"
#include "print/CalendarTexts.h"

class QPagedPaintDevice;
class QPainter;

namespace torvelle::print {

// One line of a printed list.
struct SheetLine {
  QStringList cells;
  bool heading = false;  // spans the columns, printed bold, kept with what follows
  bool struck = false;   // a task done
};

// A list on paper: a title, column titles repeated on every page, lines
// broken across pages, and a page count at the foot.
struct Sheet {
  QString title;
  QStringList columns;
  QVector<int> weights;  // relative widths of the columns
  std::vector<SheetLine> lines;
};

// Paints the organizer's sheets on a printer or PDF writer, one call per
// document. The device's page size and resolution are used as they are;
// the month sheet turns the page to landscape.
class TSheetPrinter {
 public:
  TSheetPrinter(QPagedPaintDevice& device, const TCalendarTexts& texts);

  void printDay(const books::CalendarData& data, format::Date day);
  void printWeek(const books::CalendarData& data, format::Date anyDay);
  void printMonth(const books::CalendarData& data, format::Date anyDay);
  void printPhones(const std::vector<books::ListRow>& rows, const QString& section);
  void printDates(const std::vector<books::ListRow>& rows);
  void printSheet(const Sheet& sheet);

  // The sheets as lists, for printing and for tests.
  Sheet daySheet(const books::CalendarData& data, format::Date day) const;
  Sheet weekSheet(const books::CalendarData& data, format::Date anyDay) const;

 private:
  QString dayTitle(format::Date day) const;
  void addDayLines(const books::CalendarDay& day, Sheet& sheet) const;
  void paintMonthCell(QPainter& painter, const QRect& cell, const books::CalendarDay& day,
                      bool inMonth) const;

  QPagedPaintDevice& device_;
  const TCalendarTexts& texts_;
};

}  // namespace torvelle::print

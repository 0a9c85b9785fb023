#pragma once
#include <QObject>
#include <QPointer>

#include "print/CalendarTexts.h"
#include "print/PrintDialogs.h"

class QAction;
class QMenu;
class QToolButton;

namespace torvelle::books {
class TCalendarBook;
class TSearchForm;
struct SearchEntry;
}  // namespace torvelle::books

namespace torvelle::shell {

class TMainForm;

// What the main window offers beyond its notebooks: the calendar page, the
// print and PDF menus of the tool bar, and the search over all books
// (Ctrl+F and the tray menu). It adds its controls to the window it is
// given and answers them there.
class TPlannerTools : public QObject {
  Q_OBJECT
 public:
  explicit TPlannerTools(TMainForm& form);
  ~TPlannerTools() override;

  print::TCalendarTexts& texts() { return *texts_; }

  books::TCalendarBook* CalendarBook;
  QToolButton* PrintTB;
  QToolButton* PdfTB;
  QMenu* PrintMenu;
  QMenu* PdfMenu;
  QAction* SearchItem;
  QAction* FindKey;  // Ctrl+F in the main window
  books::TSearchForm* SearchForm;

  // The sheets, painted on `device`.
  enum Sheet { DaySheet, WeekSheet, MonthSheet, SectionPhones, AllPhones, DatesSheet };
  void printSheet(Sheet sheet, QPagedPaintDevice& device);
  // Ctrl+F and the tray entry: opens the window first when it is in the tray.
  void openSearch();
  void openSearchEntry(const books::SearchEntry& entry);
  void openDay(QDate day);

 private:
  void createCalendarPage();
  void createPrintButtons();
  QMenu* sheetMenu(const QString& name, bool pdf);
  QDate shownDay() const;

  TMainForm& form_;
  print::TCalendarTexts* texts_;
};

}  // namespace torvelle::shell

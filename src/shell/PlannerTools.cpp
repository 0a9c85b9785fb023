#include "shell/PlannerTools.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QStyle>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>

#include "books/BookLists.h"
#include "books/CalendarBook.h"
#include "books/DatesBook.h"
#include "books/LinksBook.h"
#include "books/PhonesBook.h"
#include "books/SearchForm.h"
#include "books/TasksBook.h"
#include "engine/FieldNames.h"
#include "print/SheetPrinter.h"
#include "shell/MainForm.h"
#include "store/TableSet.h"
#include "toolkit/EngineDates.h"
#include "toolkit/ErrorBox.h"

namespace torvelle::shell {

TPlannerTools::TPlannerTools(TMainForm& form)
    : QObject(&form), form_(form), texts_(new print::TCalendarTexts(this)) {
  createCalendarPage();
  createPrintButtons();

  SearchForm = new books::TSearchForm(*texts_, &form_);
  SearchForm->setIndexSource([this] {
    books::SearchIndex index;
    store::TTableSet& t = form_.Tables();
    index.addBook(books::SearchBook::Tasks, t.TaskTable);
    index.addBook(books::SearchBook::Phones, t.PhonesTable);
    index.addBook(books::SearchBook::Dates, t.DatesTable);
    index.addBook(books::SearchBook::Links, t.LinksTable);
    return index;
  });
  connect(SearchForm, &books::TSearchForm::recordOpened, this,
          [this](const books::SearchEntry& entry) { openSearchEntry(entry); });
  // A shortcut of the window: the key press never reaches the focused grid,
  // which would take it to start an edit.
  FindKey = new QAction(&form_);
  FindKey->setObjectName(QStringLiteral("FindKey"));
  FindKey->setShortcut(QKeySequence::Find);
  FindKey->setShortcutContext(Qt::WindowShortcut);
  form_.addAction(FindKey);
  connect(FindKey, &QAction::triggered, this, [this] { openSearch(); });

  // In the tray menu right after "Open".
  SearchItem = new QAction(QStringLiteral("Search..."), form_.TrayIconPopupMenu);
  SearchItem->setObjectName(QStringLiteral("SearchItem"));
  const QList<QAction*> items = form_.TrayIconPopupMenu->actions();
  form_.TrayIconPopupMenu->insertAction(items.value(1), SearchItem);
  connect(SearchItem, &QAction::triggered, this, [this] { openSearch(); });
}

TPlannerTools::~TPlannerTools() = default;

void TPlannerTools::createCalendarPage() {
  store::TTableSet& t = form_.Tables();
  CalendarBook = new books::TCalendarBook(t.TaskTable, t.DatesTable, *texts_);
  form_.MainPageControl->addTab(CalendarBook, QStringLiteral("Calendar"));
  connect(CalendarBook->CalendarView, &books::TCalendarView::dayOpened, this,
          [this](QDate day) { openDay(day); });
  connect(CalendarBook->CalendarView, &books::TCalendarView::taskOpened, this,
          [this](QDate day, QTime time) { form_.OpenReminderTask(day, time); });
  // Today as the tasks page counts it, which follows the program's clock.
  connect(form_.MainPageControl, &QTabWidget::currentChanged, this, [this] {
    if (form_.MainPageControl->currentWidget() != CalendarBook) return;
    CalendarBook->setToday(form_.TasksBook->today());
    // The arrows and page keys work at once, not only after a click.
    CalendarBook->CalendarView->setFocus();
  });
}

QMenu* TPlannerTools::sheetMenu(const QString& name, bool pdf) {
  auto* menu = new QMenu(&form_);
  menu->setObjectName(name);
  const auto add = [&](const char* object, const char* text, Sheet sheet) {
    QAction* action = menu->addAction(QString::fromLatin1(text));
    action->setObjectName(name + QString::fromLatin1(object));
    connect(action, &QAction::triggered, this, [this, sheet, pdf] {
      const print::Render render = [this, sheet](QPagedPaintDevice& d) { printSheet(sheet, d); };
      toolkit::ErrorBox::guard([&] {
        if (pdf)
          print::exportPdf(&form_, render, texts_->PdfCaption, texts_->PdfFilter);
        else
          print::printWithPreview(&form_, render);
      });
    });
  };
  add("DayItem", "Tasks of the day", DaySheet);
  add("WeekItem", "Week", WeekSheet);
  add("MonthItem", "Month", MonthSheet);
  menu->addSeparator();
  add("SectionPhonesItem", "Phone book: this section", SectionPhones);
  add("AllPhonesItem", "Phone book: all sections", AllPhones);
  add("DatesItem", "Important dates", DatesSheet);
  return menu;
}

void TPlannerTools::createPrintButtons() {
  PrintMenu = sheetMenu(QStringLiteral("PrintMenu"), false);
  PdfMenu = sheetMenu(QStringLiteral("PdfMenu"), true);
  const auto button = [&](const char* name, QStyle::StandardPixmap icon, QMenu* menu) {
    auto* b = new QToolButton(form_.MainTB);
    b->setObjectName(QString::fromLatin1(name));
    b->setIcon(form_.style()->standardIcon(icon));
    b->setPopupMode(QToolButton::InstantPopup);
    b->setMenu(menu);
    b->setAutoRaise(true);
    return b;
  };
  PrintTB = button("PrintTB", QStyle::SP_FileDialogContentsView, PrintMenu);
  PdfTB = button("PdfTB", QStyle::SP_DialogSaveButton, PdfMenu);
  // Before the tools button, where the designed ones begin.
  form_.MainTB->insertWidget(form_.ToolsTB, PrintTB);
  form_.MainTB->insertWidget(form_.ToolsTB, PdfTB);
}

QDate TPlannerTools::shownDay() const {
  if (form_.MainPageControl->currentWidget() == CalendarBook)
    return CalendarBook->CalendarView->chosenDay();
  return form_.TasksBook->viewedDay();
}

void TPlannerTools::printSheet(Sheet sheet, QPagedPaintDevice& device) {
  store::TTableSet& t = form_.Tables();
  print::TSheetPrinter printer(device, *texts_);
  const format::Date day = toolkit::fromQDate(shownDay());
  switch (sheet) {
    case DaySheet:
      return printer.printDay(books::calendarDataOf(t.TaskTable, t.DatesTable), day);
    case WeekSheet:
      return printer.printWeek(books::calendarDataOf(t.TaskTable, t.DatesTable), day);
    case MonthSheet:
      return printer.printMonth(books::calendarDataOf(t.TaskTable, t.DatesTable), day);
    case SectionPhones: {
      const std::string section = t.PhoneSectionsTable.isOpen()
                                      ? t.PhoneSectionsTable.fieldText(engine::kSectionField)
                                      : std::string();
      return printer.printPhones(books::phoneRowsOf(t.PhonesTable, section),
                                 QString::fromStdString(section));
    }
    case AllPhones:
      return printer.printPhones(books::phoneRowsOf(t.PhonesTable, std::nullopt), QString());
    case DatesSheet:
      return printer.printDates(books::dateRowsOf(t.DatesTable));
  }
}

void TPlannerTools::openSearch() {
  form_.OpenFromTray();
  if (!form_.Tables().TaskTable.isOpen()) return;
  form_.show();
  form_.raise();
  SearchForm->openSearch();
}

void TPlannerTools::openSearchEntry(const books::SearchEntry& entry) {
  toolkit::ErrorBox::guard([&] {
    const auto* date = entry.key.empty() ? nullptr : std::get_if<format::Date>(&entry.key[0]);
    switch (entry.book) {
      case books::SearchBook::Tasks: {
        const auto* time =
            entry.key.size() > 1 ? std::get_if<format::Time>(&entry.key[1]) : nullptr;
        if (date && time) form_.OpenReminderTask(toolkit::toQDate(*date), toolkit::toQTime(*time));
        return;
      }
      case books::SearchBook::Phones:
        form_.MainPageControl->setCurrentWidget(form_.PhonesBook);
        form_.PhonesBook->showRecord(entry.key);
        return;
      case books::SearchBook::Dates:
        form_.MainPageControl->setCurrentWidget(form_.DatesBook);
        form_.DatesBook->showRecord(entry.key);
        return;
      case books::SearchBook::Links:
        form_.MainPageControl->setCurrentWidget(form_.LinksBook);
        form_.LinksBook->showRecord(entry.key);
        return;
    }
  });
}

void TPlannerTools::openDay(QDate day) {
  form_.MainPageControl->setCurrentWidget(form_.TasksBook);
  form_.TasksBook->setViewedDay(day);
  form_.TasksBook->TaskDateTimePickerChange();
}

}  // namespace torvelle::shell

// The calendar page and the search box in the running main window, driven
// with keys and clicks.
#include <QtTest>

#include "ShellFixture.h"
#include "books/CalendarBook.h"
#include "books/PhonesBook.h"
#include "books/SearchForm.h"
#include "books/TasksBook.h"
#include "engine/Table.h"
#include "engine/format/TableFile.h"
#include "shell/MainForm.h"
#include "shell/PlannerTools.h"
#include "store/TableSet.h"
#include "toolkit/EngineDates.h"

using namespace torvelle;

namespace {

void insertInto(const std::filesystem::path& path, const std::vector<format::Record>& records) {
  format::OpenOptions options;
  options.writable = true;
  auto file = format::TableFile::open(path, options);
  for (const auto& r : records) file->insert(r);
}

format::Record task(QDate day, QTime time, const char* text) {
  format::Record r(5);
  r[0] = toolkit::fromQDate(day);
  r[1] = toolkit::fromQTime(time);
  r[2] = std::string(text);
  r[3] = false;
  return r;
}

format::Record contact(const char* section, const char* name, const char* street) {
  format::Record r(12);
  r[0] = std::string(section);
  r[1] = std::string(name);
  r[7] = std::string(street);
  return r;
}

// Key presses carrying Cyrillic letters, which QTest's key table lacks.
void typeText(QWidget* widget, const QString& text) {
  for (const QChar c : text) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
    QApplication::sendEvent(widget, &release);
  }
}

}  // namespace

class PlannerToolsTest : public QObject {
  Q_OBJECT
 private slots:
  void searchOpensTheRecordOnItsPageWithItsSection();
  void calendarMovesByKeysAndOpensDaysAndTasks();
};

void PlannerToolsTest::searchOpensTheRecordOnItsPageWithItsSection() {
  ShellFixture f;
  insertInto(f.root() / "DB/Phones/PhoneSections.db",
             {format::Record{std::string("Друзья")}, format::Record{std::string("Работа")}});
  insertInto(f.root() / "DB/Phones/Phones.db",
             {contact("Друзья", "Иванов", ""), contact("Работа", "Сидоров", "ул. Ивановская")});
  insertInto(f.root() / "DB/Tasks/Tasks.db", {task(QDate(2026, 12, 8), QTime(9, 0), "Позвонить")});
  QVERIFY(f.start());
  shell::TMainForm& main = f.main();
  main.show();
  main.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&main));
  QTest::keyClick(&main, Qt::Key_F, Qt::ControlModifier);
  books::TSearchForm* form = main.Planner->SearchForm;
  QVERIFY(form->isVisible());
  typeText(form->SearchEdit, QStringLiteral("иванов"));
  // One group, the contacts, with both; case is ignored as the box starts.
  QCOMPARE(form->SearchResults->topLevelItemCount(), 1);
  QCOMPARE(form->SearchResults->topLevelItem(0)->childCount(), 2);
  QCOMPARE(form->SearchResults->topLevelItem(0)->child(1)->text(1),
           QStringLiteral("ул. Ивановская"));
  QTest::keyClick(form->SearchEdit, Qt::Key_Down);
  QTest::keyClick(form->SearchEdit, Qt::Key_Return);
  QVERIFY(!form->isVisible());
  QCOMPARE(main.MainPageControl->currentWidget(), main.PhonesBook);
  store::TTableSet& t = main.Tables();
  QCOMPARE(t.PhoneSectionsTable.fieldText("Section"), std::string("Работа"));
  QCOMPARE(t.PhonesTable.fieldText("Name"), std::string("Сидоров"));

  // Again from the contacts grid, which takes typed keys to start an edit:
  // Ctrl+F still opens the box and the record stays as it was.
  main.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&main));
  QCOMPARE(QApplication::focusWidget(), main.PhonesBook->RecordsDBGrid);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_F, Qt::ControlModifier);
  QVERIFY(form->isVisible());
  QCOMPARE(t.PhonesTable.state(), engine::TableState::Browse);
  // Letter case kept: the capital in the data no longer matches.
  QTest::mouseClick(form->SearchRegSB, Qt::LeftButton);
  QCOMPARE(form->SearchResults->topLevelItemCount(), 0);
  QVERIFY(f.errors.isEmpty());
}

void PlannerToolsTest::calendarMovesByKeysAndOpensDaysAndTasks() {
  ShellFixture f;
  insertInto(f.root() / "DB/Tasks/Tasks.db", {task(QDate(2026, 12, 8), QTime(9, 0), "Встреча"),
                                              task(QDate(2026, 12, 8), QTime(11, 0), "Обед")});
  QVERIFY(f.start());
  shell::TMainForm& main = f.main();
  main.resize(900, 700);
  main.show();
  books::TCalendarBook* page = main.Planner->CalendarBook;
  QCOMPARE(main.MainPageControl->indexOf(page), 4);  // after the four notebooks
  main.MainPageControl->setCurrentWidget(page);
  books::TCalendarView* view = page->CalendarView;
  view->setChosenDay(QDate(2026, 12, 8));
  view->setFocus();
  QTest::keyClick(view, Qt::Key_Right);
  QCOMPARE(view->chosenDay(), QDate(2026, 12, 9));
  QTest::keyClick(view, Qt::Key_Up);
  QCOMPARE(view->chosenDay(), QDate(2026, 12, 2));
  QTest::keyClick(view, Qt::Key_PageDown);
  QCOMPARE(view->chosenDay(), QDate(2027, 1, 2));
  QCOMPARE(toolkit::toQDate(view->firstShown()), QDate(2026, 12, 28));
  QTest::keyClick(view, Qt::Key_PageUp);
  QCOMPARE(view->chosenDay(), QDate(2026, 12, 2));
  QCOMPARE(page->PeriodLabel->text(), QStringLiteral("December 2026"));

  // December 2026 begins on Monday 30 November: the 8th is in row 1, column 1.
  view->grab();  // laid out and painted once, as on screen
  const int header = view->fontMetrics().height() + 6;
  const int line = view->fontMetrics().height();
  const QRect cell(view->width() / 7, header + (view->height() - header) / 5, view->width() / 7,
                   (view->height() - header) / 5);
  // The second task line of the 8th: a double click opens that task.
  QTest::mouseDClick(view, Qt::LeftButton, {},
                     QPoint(cell.left() + 20, cell.top() + 2 * line + 2 + line / 2 + 2));
  QCOMPARE(main.MainPageControl->currentWidget(), main.TasksBook);
  QCOMPARE(main.TasksBook->viewedDay(), QDate(2026, 12, 8));
  QCOMPARE(main.Tables().TaskTable.fieldText("Task"), std::string("Обед"));

  // A single click on the 9th opens the tasks page on that day.
  main.MainPageControl->setCurrentWidget(page);
  QTest::mouseClick(view, Qt::LeftButton, {}, cell.center() + QPoint(cell.width(), 0));
  QTRY_COMPARE(main.MainPageControl->currentWidget(), main.TasksBook);
  QCOMPARE(main.TasksBook->viewedDay(), QDate(2026, 12, 9));
  QVERIFY(f.errors.isEmpty());
}

QTEST_MAIN(PlannerToolsTest)
#include "PlannerToolsTest.moc"

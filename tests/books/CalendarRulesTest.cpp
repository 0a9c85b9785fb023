// The rules under the calendar page, the search box and snoozing: which days
// a month shows, what falls on each day, what a search finds and in which
// order, and when a put-off reminder comes back.
#include <QtTest>

#include "TaskFixture.h"
#include "books/CalendarRules.h"
#include "books/SearchIndex.h"
#include "books/SnoozeRules.h"
#include "engine/Table.h"
#include "recurrence/RepeatSet.h"
#include "store/TableSet.h"

using namespace torvelle;
using books::CalendarEvent;
using books::CalendarTask;

namespace {

format::Date day(int y, int m, int d) {
  return toolkit::fromQDate(QDate(y, m, d));
}

format::Time at(int h, int m) {
  return format::Time{(h * 60 + m) * 60000};
}

void insertInto(const std::filesystem::path& path, const std::vector<format::Record>& records) {
  format::OpenOptions options;
  options.writable = true;
  options.sync = false;
  auto file = format::TableFile::open(path, options);
  for (const auto& r : records) file->insert(r);
}

QStringList titlesOf(const books::SearchIndex& index, const books::SearchResult& result) {
  QStringList titles;
  for (const auto& hit : result.hits)
    titles << QString::fromStdString(index.entries()[hit.entry].title);
  return titles;
}

}  // namespace

class CalendarRulesTest : public QObject {
  Q_OBJECT
 private slots:
  void monthGridIsWholeWeeksFromMonday();
  void daysHoldTheirTasksAndEveryYearsEvents();
  void repeatingTasksFallOnEachOfTheirDaysInTheGrid();
  void searchGoesThroughEveryBookInPageAndKeyOrder();
  void snoozedRemindersComeBackOnceInOrderAndSurviveAsText();
};

void CalendarRulesTest::monthGridIsWholeWeeksFromMonday() {
  // The week-day rule against Qt's calendar over four years, leap days too.
  for (QDate d(2026, 1, 1); d < QDate(2030, 1, 1); d = d.addDays(1))
    QCOMPARE(books::weekdayIndex(toolkit::fromQDate(d)), d.dayOfWeek() - 1);

  struct Case {
    int year, month;
    QDate first;
    int weeks;
  };
  // Starting on a Tuesday; exactly four weeks; six weeks; a year's turn.
  for (const Case& c :
       {Case{2026, 12, QDate(2026, 11, 30), 5}, Case{2021, 2, QDate(2021, 2, 1), 4},
        Case{2026, 8, QDate(2026, 7, 27), 6}, Case{2027, 1, QDate(2026, 12, 28), 5}}) {
    const books::MonthGrid grid = books::monthGrid(c.year, c.month);
    QCOMPARE(toolkit::toQDate(grid.first), c.first);
    QCOMPARE(grid.weeks, c.weeks);
    const QDate last = toolkit::toQDate(grid.last());
    QCOMPARE(last.dayOfWeek(), 7);
    QVERIFY(last >= QDate(c.year, c.month, 1).addMonths(1).addDays(-1));
    QVERIFY(last.addDays(-7) < QDate(c.year, c.month, 1).addMonths(1).addDays(-1));
  }
}

void CalendarRulesTest::daysHoldTheirTasksAndEveryYearsEvents() {
  const books::CalendarData data({CalendarTask{day(2026, 12, 7), at(9, 0), "Dentist", false, false},
                                  CalendarTask{day(2026, 12, 7), at(8, 0), "Gym", true, false},
                                  CalendarTask{day(2026, 12, 9), at(10, 0), "Report", false, false},
                                  CalendarTask{format::Date{}, at(7, 0), "No day", false, false}},
                                 {CalendarEvent{"Family", day(1990, 12, 7), {}, "Anna's birthday"},
                                  CalendarEvent{"Family", day(2000, 2, 29), {}, "Leap wedding"},
                                  CalendarEvent{"Work", day(2030, 12, 8), {}, "Not yet"},
                                  CalendarEvent{"Work", day(2026, 12, 8), {}, "Opening"}});
  QCOMPARE(data.taskCount(), std::size_t(3));  // the undated one falls on no day

  const auto days = data.days(day(2026, 12, 6), day(2026, 12, 9));
  QCOMPARE(days.size(), std::size_t(4));
  QVERIFY(days[0].tasks.empty() && days[0].events.empty());
  QCOMPARE(days[1].tasks.size(), std::size_t(2));
  QCOMPARE(days[1].tasks[0].task, std::string("Gym"));  // by time, done ones too
  QVERIFY(days[1].tasks[0].done);
  QCOMPARE(days[1].events.size(), std::size_t(1));
  QCOMPARE(days[1].events[0].years, std::optional<int>(36));
  // In its own year an event has no years yet; one dated later is not there.
  QCOMPARE(days[2].events.size(), std::size_t(1));
  QCOMPARE(days[2].events[0].event->event, std::string("Opening"));
  QCOMPARE(days[2].events[0].years, std::optional<int>());
  QCOMPARE(days[3].tasks.size(), std::size_t(1));

  // A leap-day event: on the 28th in common years, on the 29th in leap years.
  const auto common = data.days(day(2027, 2, 27), day(2027, 3, 1));
  QCOMPARE(common[1].events.size(), std::size_t(1));
  QCOMPARE(common[1].events[0].years, std::optional<int>(27));
  QVERIFY(common[2].events.empty());
  const auto leap = data.days(day(2028, 2, 28), day(2028, 2, 29));
  QVERIFY(leap[0].events.empty());
  QCOMPARE(leap[1].events.size(), std::size_t(1));
  QVERIFY(data.days(day(2026, 12, 9), day(2026, 12, 8)).empty());
}

void CalendarRulesTest::repeatingTasksFallOnEachOfTheirDaysInTheGrid() {
  // Tuesdays at 9 since November: one removed, one done, one moved to the
  // Wednesday with its own time and text. A second series starts after the
  // grid and one was moved back out of the grid.
  const auto weekly = [](const char* text, format::Date start, const char* exceptions) {
    return books::CalendarSeries{CalendarTask{start, at(9, 0), text, true, false},
                                 recurrence::parseRepeatSet("FREQ=WEEKLY;BYDAY=TU", exceptions)};
  };
  const books::CalendarData data(
      {CalendarTask{day(2026, 12, 1), at(8, 0), "Single", false, false}}, {},
      {weekly("Standup", day(2026, 11, 3),
              "EXDATE:20261215\nDONE:20261208\nMOVED:20261222>20261223T100000 Moved standup"),
       weekly("Later", day(2027, 1, 5), ""),
       weekly("Back", day(2027, 1, 12), "MOVED:20270112>20261231")});
  const books::MonthGrid grid = books::monthGrid(2026, 12);
  const auto days = data.days(grid.first, grid.last());
  QStringList seen;
  for (const books::CalendarDay& d : days)
    for (const CalendarTask& t : d.tasks)
      seen << toolkit::toQDate(d.day).toString("dd ") +
                  toolkit::toQTime(t.time).toString("HH:mm ") + QString::fromStdString(t.task) +
                  (t.repeating ? " R" : "") + (t.done ? " D" : "");
  QCOMPARE(seen,
           (QStringList{"01 08:00 Single", "01 09:00 Standup R", "08 09:00 Standup R D",
                        "23 10:00 Moved standup R", "29 09:00 Standup R", "31 09:00 Back R"}));
  QCOMPARE(data.taskCount(), std::size_t(4));
  // The series' own done box is no occurrence's.
  QVERIFY(data.days(day(2027, 1, 5), day(2027, 1, 5))[0].tasks.at(0).done == false);
}

void CalendarRulesTest::searchGoesThroughEveryBookInPageAndKeyOrder() {
  testing::TaskTables t({{QDate(2026, 12, 8), QTime(9, 0), "Позвонить Иванову", false, {}},
                         {QDate(2026, 12, 1), QTime(9, 0), "Купить диван", false, {}},
                         {QDate(2026, 12, 2), QTime(9, 0), "Обед", false, "с Ивановым"}});
  const auto root = t.dir.path();
  const auto phone = [](const char* section, const char* name, const char* street) {
    format::Record r(12);
    r[0] = std::string(section);
    r[1] = std::string(name);
    r[7] = std::string(street);
    return r;
  };
  insertInto(root / "DB/Phones/Phones.db",
             {phone("Работа", "Сидоров", "ул. Ивановская"), phone("Друзья", "Иванов Пётр", ""),
              phone("Друзья", "Петров", "")});
  format::Record link(3);
  link[0] = std::string("Разное");
  link[1] = std::string("https://example.org/ivanov");
  insertInto(root / "DB/Links/Links.db", {link});
  t.tables->OpenTables();

  books::SearchIndex index;
  index.addBook(books::SearchBook::Tasks, t.tables->TaskTable);
  index.addBook(books::SearchBook::Phones, t.tables->PhonesTable);
  index.addBook(books::SearchBook::Dates, t.tables->DatesTable);
  index.addBook(books::SearchBook::Links, t.tables->LinksTable);

  // Case ignored: tasks by day and time, then contacts by section and name.
  const auto all = index.search("ИВАН", true, 100);
  QCOMPARE(titlesOf(index, all),
           (QStringList{"Купить диван", "Обед", "Позвонить Иванову", "Иванов Пётр", "Сидоров"}));
  QCOMPARE(all.found[0], std::size_t(3));
  QCOMPARE(all.found[1], std::size_t(2));
  // The field that matched: the description, and the contact's street.
  QCOMPARE(index.entries()[all.hits[1].entry].fields[std::size_t(all.hits[1].field)],
           std::string("с Ивановым"));
  QCOMPARE(index.entries()[all.hits[4].entry].fields[std::size_t(all.hits[4].field)],
           std::string("ул. Ивановская"));
  // The key finds the record again; the section comes with it.
  QCOMPARE(index.entries()[all.hits[3].entry].section, std::string("Друзья"));
  QCOMPARE(index.entries()[all.hits[3].entry].key.size(), std::size_t(2));

  // Case kept: only the lower-case "иван" of the sofa; Latin text as well.
  QCOMPARE(titlesOf(index, index.search("иван", false, 100)), QStringList{"Купить диван"});
  QCOMPARE(titlesOf(index, index.search("IVANOV", true, 100)),
           QStringList{"https://example.org/ivanov"});
  QVERIFY(index.search("IVANOV", false, 100).hits.empty());
  // Only so many listed per book, all of them counted; nothing for nothing.
  const auto few = index.search("ИВАН", true, 1);
  QCOMPARE(titlesOf(index, few), (QStringList{"Купить диван", "Иванов Пётр"}));
  QCOMPARE(few.found[0], std::size_t(3));
  QVERIFY(index.search("", true, 100).hits.empty());
}

void CalendarRulesTest::snoozedRemindersComeBackOnceInOrderAndSurviveAsText() {
  const books::Moment now = books::momentOf(day(2026, 12, 8), at(14, 2));
  const books::TaskItem task{day(2026, 12, 8), at(14, 0), false, "Call", {}};
  QCOMPARE(books::snoozedUntil(books::SnoozeChoice::Minutes5, now, task), now + 5 * 60000);
  QCOMPARE(books::snoozedUntil(books::SnoozeChoice::Minutes60, now, task), now + 60 * 60000);
  // Tomorrow at the task's own time, or at this time for a task at midnight.
  QCOMPARE(books::snoozedUntil(books::SnoozeChoice::Tomorrow, now, task),
           books::momentOf(day(2026, 12, 9), at(14, 0)));
  QCOMPARE(books::snoozedUntil(books::SnoozeChoice::Tomorrow, now,
                               {day(2026, 12, 8), {}, false, "Midnight", {}}),
           books::momentOf(day(2026, 12, 9), at(14, 2)));
  QCOMPARE(books::snoozeChoiceOf("snooze15"), std::optional(books::SnoozeChoice::Minutes15));
  QVERIFY(!books::snoozeChoiceOf("open"));

  books::SnoozeList list;
  list.add({now + 900000, day(2026, 12, 8), at(14, 0)});
  list.add({now + 300000, day(2026, 12, 7), at(9, 0)});
  list.add({now + 600000, day(2026, 12, 8), at(14, 0)});  // the same task again: replaces
  // An important date's, named by its key; the tasks' day is not its.
  list.add({now + 400000, day(2026, 12, 1), {}, "9f3a"});
  QCOMPARE(list.next(), std::optional(now + 300000));
  QCOMPARE(list.earliestTaskDay(), std::optional(day(2026, 12, 7)));

  books::SnoozeList restored;
  restored.load(list.text() + " damaged 1:2 0:5:6 7:8:e 7:8:x9");
  QCOMPARE(restored.text(), list.text());
  QVERIFY(restored.takeDue(now + 299999).empty());
  const auto due = restored.takeDue(now + 600000);
  QCOMPARE(due.size(), std::size_t(3));
  QCOMPARE(due[1].event, std::string("9f3a"));
  QVERIFY(restored.takeDue(now + 999999999).empty());  // once only
  QVERIFY(restored.empty());
}

QTEST_GUILESS_MAIN(CalendarRulesTest)
#include "CalendarRulesTest.moc"

// The reminders' calendar rules and their memory, without a window.
#include <QtTest>

#include "books/ReminderRules.h"
#include "engine/FieldText.h"

using namespace torvelle;
using namespace torvelle::books;

namespace {

format::Date day(int y, int m, int d) {
  return *engine::dayFromCivil(y, m, d);
}

}  // namespace

class ReminderRulesTest : public QObject {
  Q_OBJECT

 private slots:
  void anniversariesAcrossLeapDaysAndTheYearEnd() {
    // A leap-day birthday falls on 28 February in other years.
    QCOMPARE(anniversaryIn(day(2000, 2, 29), 2027), day(2027, 2, 28));
    QCOMPARE(anniversaryIn(day(2000, 2, 29), 2028), day(2028, 2, 29));

    const std::vector<DateItem> dates{{"Family", day(1980, 1, 1), {}, "New year baby"},
                                      {"Family", day(2000, 2, 29), {}, "Leap"},
                                      {"Empty", format::Date{}, {}, "No date"}};
    // From 30 December the window reaches into next year, with next year's age.
    auto notes = anniversariesAround(dates, day(2026, 12, 30), 3);
    QCOMPARE(notes.size(), std::size_t(1));
    QCOMPARE(notes[0].daysLeft, 2);
    QCOMPARE(notes[0].anniversary, day(2027, 1, 1));
    QCOMPARE(notes[0].years, std::optional<int>(47));
    QVERIFY(anniversariesAround(dates, day(2026, 12, 30), 1).empty());

    notes = anniversariesAround(dates, day(2027, 2, 28), 0);
    QCOMPARE(notes.size(), std::size_t(1));
    QCOMPARE(notes[0].item.event, std::string("Leap"));
    QCOMPARE(notes[0].years, std::optional<int>(27));
  }

  void announcedLogSurvivesItsTextAndForgetsPastDays() {
    const TaskItem yesterday{day(2026, 12, 7), format::Time{50'400'000}, false, "a", ""};
    const TaskItem today{day(2026, 12, 8), format::Time{50'400'000}, false, "b", ""};
    const DateItem event{"Family", day(1990, 12, 10), format::Time{1}, "Anna"};
    AnnouncedLog log;
    log.markTask(yesterday);
    log.markTask(today);
    log.markEvent(event, day(2026, 12, 7));
    log.markEvent(event, day(2026, 12, 8));
    log.markOverdue(day(2026, 12, 8));

    // Read back from its text, with what a hand edit might leave behind.
    AnnouncedLog read;
    read.load(log.tasksText() + "  junk 12x", log.eventsText() + " 5 :x nodigits:ab",
              log.overdueText());
    QVERIFY(read.taskAnnounced(yesterday) && read.taskAnnounced(today));
    QVERIFY(read.eventAnnounced(event, day(2026, 12, 8)));
    QVERIFY(read.overdueAnnounced(day(2026, 12, 8)));
    // Another event of the same section and day is a different one.
    QVERIFY(!read.eventAnnounced({"Family", day(1990, 12, 10), format::Time{2}, "Anna"},
                                 day(2026, 12, 8)));

    read.prune(day(2026, 12, 8));
    QVERIFY(!read.taskAnnounced(yesterday));
    QVERIFY(read.taskAnnounced(today));
    QVERIFY(!read.eventAnnounced(event, day(2026, 12, 7)));
    QVERIFY(read.eventAnnounced(event, day(2026, 12, 8)));
    QCOMPARE(read.tasksText(), taskKey(today));
  }
};

QTEST_GUILESS_MAIN(ReminderRulesTest)
#include "ReminderRulesTest.moc"

#include <QtTest>

#include "books/TaskRules.h"

using namespace torvelle::books;
using torvelle::format::Date;

class TaskRulesTest : public QObject {
  Q_OBJECT
 private slots:
  void modesTreatEmptyAndTodaysDates() {
    const Date today{1000}, yesterday{999}, tomorrow{1001};
    // Day mode: only the viewed day, never a blank date.
    QVERIFY(taskModeAccepts(DayMode, tomorrow, false, tomorrow, today));
    QVERIFY(!taskModeAccepts(DayMode, today, false, tomorrow, today));
    QVERIFY(!taskModeAccepts(DayMode, std::nullopt, false, tomorrow, today));
    // Overdue: strictly before today and not done; blank counts as earlier.
    QVERIFY(taskModeAccepts(OverdueTasks, yesterday, false, today, today));
    QVERIFY(!taskModeAccepts(OverdueTasks, today, false, today, today));
    QVERIFY(!taskModeAccepts(OverdueTasks, yesterday, true, today, today));
    QVERIFY(taskModeAccepts(OverdueTasks, std::nullopt, false, today, today));
    QVERIFY(taskModeAccepts(DoneTasks, tomorrow, true, today, today));
    QVERIFY(!taskModeAccepts(DoneTasks, tomorrow, false, today, today));
    QVERIFY(taskModeAccepts(PlanTasks, std::nullopt, false, today, today));
    QVERIFY(taskModeAccepts(AllTasks, std::nullopt, true, today, today));
  }

  void textFilterAppliesOnlyWhenPressedAndInOrder() {
    TaskFilterState s;
    s.mode = AllTasks;
    s.taskPattern = "ab";
    s.timePattern = "10:";
    TaskDisplayRule off(s);
    QVERIFY(off.accepts(std::nullopt, false, "zzz", "", ""));  // released: patterns ignored
    s.filterOn = true;
    TaskDisplayRule on(s);
    QVERIFY(on.accepts(std::nullopt, false, "Cabin", "09:10:00", ""));
    QVERIFY(!on.accepts(std::nullopt, false, "ABC", "10:30:00", ""));  // case counts
    QVERIFY(!on.accepts(std::nullopt, false, "Cabin", "11:00:00", ""));
    QVERIFY(!on.accepts(std::nullopt, false, "Cabin", "", ""));  // blank time fails a pattern
    s.ignoreCase = true;
    s.taskPattern = "аб";
    TaskDisplayRule folded(s);
    QVERIFY(folded.accepts(std::nullopt, false, "КАБИНА", "10:00:00", ""));
    // The mode still rejects first, whatever the texts.
    s.mode = DoneTasks;
    QVERIFY(!TaskDisplayRule(s).accepts(std::nullopt, false, "КАБИНА", "10:00:00", ""));
    QVERIFY(!taskTableFiltered(AllTasks, false));
    QVERIFY(taskTableFiltered(AllTasks, true));
    QVERIFY(taskTableFiltered(DayMode, false));
  }

  void weekDayTabs() {
    // Qt: Monday 1 ... Sunday 7.
    QCOMPARE(dayTabIndex(1), 0);
    QCOMPARE(dayTabIndex(6), 5);
    QCOMPARE(dayTabIndex(7), 6);
  }

  void roundingTiesGoToEven() {
    QCOMPARE(roundHalfEven(5, 2), 2);
    QCOMPARE(roundHalfEven(7, 2), 4);
    QCOMPARE(roundHalfEven(2025, 10), 202);
    QCOMPARE(roundHalfEven(2026, 10), 203);
    QCOMPARE(roundHalfEven(316LL * 405, 632), 202);  // 202.5
  }

  void tasksPageAtDesignAndOtherWidths() {
    const TasksBookLayout d = tasksBookLayout(632, true, 632);
    QCOMPARE(d.gridWidth, 407);
    QCOMPARE(d.taskColumnWidth, 308);
    QCOMPARE(d.taskEditWidth, 306);
    QCOMPARE(d.timeEditLeft, 323);
    QCOMPARE(d.dateEditLeft, 323);
    QCOMPARE(d.filterLeft, 388);
    QCOMPARE(d.memoLeft, 409);
    QCOMPARE(d.memoWidth, 223);
    // 800 * 360 / 632 = 455.7 -> 456, div 9 = 50.
    const TasksBookLayout w = tasksBookLayout(800, false, 800);
    QCOMPARE(w.gridWidth, 507);
    QCOMPARE(w.taskColumnWidth, 343);
    QCOMPARE(w.timeEditLeft, 358);
    QCOMPARE(w.dateEditLeft, 423);
    // Outside the day view the task column is 65 narrower.
    QCOMPARE(tasksBookLayout(800, true, 800).taskColumnWidth - w.taskColumnWidth, 65);
    const TaskColumnsLayout c = taskColumnsLayout(407, false);
    QCOMPARE(c.taskColumnWidth, 243);
    QCOMPARE(c.taskEditWidth, 241);
    QCOMPARE(c.timeEditLeft, 258);
    // A font that needs 84-pixel columns widens both columns by 19 each; the
    // task column gives them the room.
    QCOMPARE(dateColumnWidth(dateColumnScale(77)), 84);
    QCOMPARE(dateColumnScale(40), 1.0);
    const TasksBookLayout s = tasksBookLayout(800, false, 800, dateColumnScale(77));
    QCOMPARE(s.taskColumnWidth, w.taskColumnWidth - 2 * 19);
    QCOMPARE(s.dateEditLeft, w.dateEditLeft - 19);
    QCOMPARE(s.filterLeft, w.filterLeft);
  }

  void bottomBarAndSectionsPane() {
    const NavigBarLayout d = navigBarLayout(632, 400);
    QCOMPARE(d.navigatorWidth, 360);
    QCOMPARE(d.buttonWidth, 40);
    QCOMPARE(d.label1Width, 632 - 400 - 92 - 24);
    const NavigBarLayout w = navigBarLayout(800, 506);
    QCOMPARE(w.navigatorWidth, 456);
    QCOMPARE(w.buttonWidth, 50);
    QCOMPARE(w.label1Width, 800 - 506 - 116 - 24);  // 800 * 92 / 632 = 116.46 -> 116
    QCOMPARE(sectionsPaneWidth(500), 134);
    QCOMPARE(sectionsPaneWidth(632), 166);
    QCOMPARE(sectionsPaneWidth(800), 214);
    QCOMPARE(sectionsPaneWidth(1024), 288);
    QCOMPARE(gridWidthOrder(700, 632), GridWidthOrder::Before);
    QCOMPARE(gridWidthOrder(600, 632), GridWidthOrder::After);
    QCOMPARE(gridWidthOrder(632, 632), GridWidthOrder::Unchanged);
  }
};

QTEST_APPLESS_MAIN(TaskRulesTest)
#include "TaskRulesTest.moc"

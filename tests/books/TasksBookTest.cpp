#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include "TaskFixture.h"
#include "books/TasksBook.h"
#include "support/Clock.h"
#include "toolkit/Confirm.h"
#include "toolkit/ErrorBox.h"

using namespace torvelle;
using books::TTasksBook;
using testing::SeedTask;

namespace {

const QDate kToday = QDate::currentDate();

// A page over a seeded table, as the main window sets it up at start.
struct Page {
  explicit Page(const std::vector<SeedTask>& tasks, QDate viewed = kToday)
      : data(tasks), book(*data.tables, form, [this] { return loading; }) {
    book.setViewedDay(viewed);
    book.SyncDayTab();
    data.tables->OpenTables();
    book.resize(632, 420);
  }
  engine::Table& table() { return data.tables->TaskTable; }
  // Task texts of the visible rows, in grid order.
  QStringList shown() {
    QStringList out;
    auto& t = table();
    for (std::size_t i = 0; i < t.rowCount(); ++i)
      out << QString::fromUtf8(std::string(t.row(i).text("Task")));
    return out;
  }
  QStringList gridTexts(int column) {
    QStringList out;
    auto& m = book.TaskDBGrid->tableModel();
    for (int r = 0; r < m.rowCount(); ++r) out << m.index(r, column).data().toString();
    return out;
  }
  void select(const QStringList& tasks) {
    auto& t = table();
    for (std::size_t i = 0; i < t.rowCount(); ++i)
      if (tasks.contains(QString::fromUtf8(std::string(t.row(i).text("Task"))))) {
        t.moveTo(i);
        book.TaskDBGrid->SelectedRows().add(t.bookmark());
      }
  }
  // The next showing of the calendar dialog answers with `day` (or cancels).
  void answerMove(std::optional<QDate> day) {
    QTimer::singleShot(0, &form, [this, day] {
      shownDialog = form.isVisible();
      if (!shownDialog) return;
      dayAtShow = form.chosenDay();
      if (day) {
        form.MonthCalendar->setSelectedDate(*day);
        form.accept();
      } else {
        form.reject();
      }
    });
  }
  std::optional<format::Record> find(const char* task) {
    for (const auto& r :
         format::TableFile::open(testing::tasksPath(data.dir.path()), {})->readAll())
      if (std::get_if<std::string>(&r[2]) && std::get<std::string>(r[2]) == task) return r;
    return std::nullopt;
  }

  testing::TaskTables data;
  books::TMoveRecOnDateForm form;
  bool loading = false;
  bool shownDialog = false;
  QDate dayAtShow;
  TTasksBook book;
};

std::vector<SeedTask> modeTasks() {
  return {{kToday, QTime(23, 59, 59), "today late", false, {}},
          {kToday, QTime(0, 0, 0), "today early", true, {}},
          {kToday.addDays(-1), QTime(10, 0), "yesterday open", false, {}},
          {kToday.addDays(-1), QTime(11, 0), "yesterday done", true, {}},
          {kToday.addDays(1), QTime(9, 0), "tomorrow", false, {}},
          {QDate(), QTime(8, 0), "no date", false, {}}};
}

}  // namespace

class TasksBookTest : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    toolkit::ErrorBox::setSink([this](const QString& m) { errors << m; });
    errors.clear();
  }
  void cleanup() {
    toolkit::ErrorBox::setSink({});
    toolkit::Confirm::setAnswer({});
  }

  void eachModeShowsItsTasks() {
    Page p(modeTasks());
    QCOMPARE(p.shown(), QStringList({"today early", "today late"}));
    p.book.setTaskMode(books::AllTasks);
    QVERIFY(!p.table().filtered());
    QCOMPARE(p.shown().size(), 6);
    p.book.setTaskMode(books::DoneTasks);
    QCOMPARE(p.shown(), QStringList({"yesterday done", "today early"}));
    p.book.setTaskMode(books::PlanTasks);
    QCOMPARE(p.shown(), QStringList({"no date", "yesterday open", "today late", "tomorrow"}));
    p.book.setTaskMode(books::OverdueTasks);
    QCOMPARE(p.shown(), QStringList({"no date", "yesterday open"}));
    // The blank date is no day: not even in a day view of any day.
    p.book.setViewedDay(kToday.addDays(-1));
    p.book.SyncDayTab();
    QCOMPARE(p.shown(), QStringList({"yesterday open", "yesterday done"}));
    // Marked done with the check box and posted, the task leaves the overdue view.
    p.book.setTaskMode(books::OverdueTasks);
    p.table().moveTo(1);
    p.book.DoneDBCB->click();
    p.table().post();
    p.book.RegisterSBClick();
    QCOMPARE(p.shown(), QStringList({"no date"}));
    QVERIFY(errors.isEmpty());
  }

  void modeChangesLayoutAndLoadingSilencesIt() {
    Page p(modeTasks());
    p.book.show();  // a hidden page hears of no resize
    auto* grid = p.book.TaskDBGrid;
    QCOMPARE(grid->width(), 407);
    QCOMPARE(grid->gridColumnWidth(0), 308);
    QVERIFY(!grid->gridColumnVisible(2));
    p.book.setTaskMode(books::AllTasks);
    QCOMPARE(grid->gridColumnWidth(0), 243);
    QVERIFY(grid->gridColumnVisible(2));
    QVERIFY(!p.book.DateEdit->isHidden());
    QCOMPARE(p.book.TimeEdit->x(), 258);
    QCOMPARE(p.book.TaskEdit->width(), 241);
    // Wider page: the column follows, 65 less than in the day view.
    p.book.resize(800, 420);
    QCOMPARE(grid->width(), 507);
    QCOMPARE(grid->gridColumnWidth(0), 507 - 164);
    QCOMPARE(p.book.TaskDBMemo->x(), 509);
    QCOMPARE(p.book.TaskDBMemo->width(), 800 - 509);
    QCOMPARE(p.book.TaskDBNavigator->width(), 456);
    QCOMPARE(p.book.TasksMoveTB->width(), 50);
    // While stored options are pushed, a mode change touches nothing.
    p.loading = true;
    p.book.setTaskMode(books::DayMode);
    QCOMPARE(grid->gridColumnWidth(0), 507 - 164);
    QCOMPARE(p.shown().size(), 6);
  }

  void textFilterFoldsLatinAndCyrillic() {
    Page p({{kToday, QTime(9, 0), "Cabin", false, {}},
            {kToday, QTime(9, 1), "ABC", false, {}},
            {kToday, QTime(9, 2), "кабина", false, {}},
            {kToday, QTime(9, 3), "АБВ", false, {}},
            {kToday, QTime(9, 4), "Ёлка", false, {}}});
    p.book.FilterSB->click();
    QVERIFY(p.book.TaskEdit->isEnabled());
    QVERIFY(p.book.RegisterSB->isEnabled());
    p.book.TaskEdit->setText("ab");
    QCOMPARE(p.shown(), QStringList({"Cabin"}));
    p.book.RegisterSB->click();
    QCOMPARE(p.shown(), QStringList({"Cabin", "ABC"}));
    p.book.TaskEdit->setText("аб");
    QCOMPARE(p.shown(), QStringList({"кабина", "АБВ"}));
    p.book.TaskEdit->setText("ё");  // ё is outside the folded range
    QCOMPARE(p.shown(), QStringList());
    // Released, the filter lets all through and the texts stay for later.
    p.book.FilterSB->click();
    QVERIFY(!p.book.TaskEdit->isEnabled());
    QCOMPARE(p.shown().size(), 5);
    QCOMPARE(p.book.TaskEdit->text(), QString("ё"));
    p.book.FilterSB->click();
    QCOMPARE(p.shown(), QStringList());
  }

  void timeAndDatePatternsUseTheShownForms() {
    const QDate d(2024, 3, 7);
    Page p({{d, QTime(10, 30), "a", false, {}},
            {d, QTime(9, 10), "b", false, {}},
            {d, QTime(11, 0), "c", false, {}},
            {d.addDays(1), QTime(10, 0), "d", false, {}}},
           d);
    // What the grid shows is what the filter matches against.
    QCOMPARE(p.gridTexts(1), QStringList({"09:10:00", "10:30:00", "11:00:00"}));
    p.book.FilterSB->click();
    p.book.TimeEdit->setText("10:");
    QCOMPARE(p.shown(), QStringList({"b", "a"}));
    p.book.TimeEdit->clear();
    p.book.setTaskMode(books::AllTasks);
    QCOMPARE(p.gridTexts(2).first(), QString("07.03.2024"));
    p.book.DateEdit->setText("08.03");
    QCOMPARE(p.shown(), QStringList({"d"}));
    // Hidden in the day view, the date text still filters there.
    p.book.SyncDayTab();
    QVERIFY(p.book.DateEdit->isHidden());
    QCOMPARE(p.shown(), QStringList());
  }

  void dayNavigationAndTabs() {
    const QDate sunday(2024, 3, 10);
    Page p({}, sunday);
    QCOMPARE(p.book.DayTabIndex, 6);
    QCOMPARE(p.book.DaysTabControl->currentIndex(), 6);
    p.book.setTaskMode(books::OverdueTasks);
    p.book.DateSpinUp->click();
    QCOMPARE(p.book.viewedDay(), QDate(2024, 3, 11));
    QCOMPARE(p.book.DayTabIndex, 0);
    QCOMPARE(p.book.DaysTabControl->currentIndex(), 0);
    QCOMPARE(p.book.taskMode(), int(books::DayMode));
    // From Monday the Sunday tab moves six days on; from Wednesday the
    // Friday tab two on and the Monday tab two back.
    p.book.DaysTabControl->setCurrentIndex(6);
    QCOMPARE(p.book.viewedDay(), QDate(2024, 3, 17));
    p.book.DateSpinDown->click();
    p.book.DateSpinDown->click();
    p.book.DateSpinDown->click();
    p.book.DateSpinDown->click();
    QCOMPARE(p.book.viewedDay(), QDate(2024, 3, 13));
    QCOMPARE(p.book.DayTabIndex, 2);
    p.book.DaysTabControl->setCurrentIndex(4);
    QCOMPARE(p.book.viewedDay(), QDate(2024, 3, 15));
    p.book.DaysTabControl->setCurrentIndex(0);
    QCOMPARE(p.book.viewedDay(), QDate(2024, 3, 11));
    // ShiftTaskDate leaves tab and mode alone.
    p.book.setTaskMode(books::AllTasks);
    p.book.ShiftTaskDate(3);
    QCOMPARE(p.book.DayTabIndex, 0);
    QCOMPARE(p.book.taskMode(), int(books::AllTasks));
    // Crossing a year end by the picker.
    p.book.TaskDateTimePicker->setDate(QDate(2025, 1, 1));
    QCOMPARE(p.book.DayTabIndex, 2);
    QCOMPARE(p.book.taskMode(), int(books::DayMode));
    p.book.DateSpinDown->click();
    QCOMPARE(p.book.viewedDay(), QDate(2024, 12, 31));
    QCOMPARE(p.book.DayTabIndex, 1);
  }

  void newTasksGetTheViewedDayInEveryMode() {
    const QDate viewed = kToday.addDays(5);
    Page p(modeTasks(), viewed);
    for (int mode = books::DayMode; mode <= books::OverdueTasks; ++mode) {
      p.book.setTaskMode(mode);
      const QTime before = QTime::currentTime();
      p.book.TaskDBNavigator->BtnClick(toolkit::TDBNavigator::Insert);
      auto& t = p.table();
      QCOMPARE(t.state(), engine::TableState::Insert);
      QCOMPARE(toolkit::toQDate(*t.dateField("Date")), viewed);
      QVERIFY(!t.boolField("Done"));
      QVERIFY(!t.isNull("Done"));
      const QTime at = toolkit::toQTime(*t.timeField("Time"));
      QVERIFY(qAbs(before.msecsTo(at)) < 5000);
      p.book.TaskDBNavigator->BtnClick(toolkit::TDBNavigator::Cancel);
    }
    QVERIFY(errors.isEmpty());
  }

  void movingTasksKeepsTheirTimes() {
    const QDate day(2024, 5, 20), target(2024, 6, 1);
    Page p({{day, QTime(8, 15), "one", false, {}},
            {day, QTime(12, 0), "two", false, {}},
            {day, QTime(18, 45, 30), "three", true, {}},
            {day, QTime(20, 0), "stays", false, {}}},
           day);
    // Nothing selected: no dialog.
    p.answerMove(target);
    p.book.TasksMoveTBClick();
    QTest::qWait(10);
    QVERIFY(!p.shownDialog);

    p.select({"one", "two", "three"});
    QCOMPARE(p.book.TaskDBGrid->SelectedRows().Count(), 3);
    p.answerMove(std::nullopt);  // cancelled: nothing changes
    p.book.TasksMoveTBClick();
    QVERIFY(p.shownDialog);
    QCOMPARE(p.shown().size(), 4);
    QCOMPARE(p.book.TaskDBGrid->SelectedRows().Count(), 3);

    p.answerMove(target);
    p.book.TasksMoveTBClick();
    QCOMPARE(p.shown(), QStringList({"stays"}));
    QCOMPARE(p.book.TaskDBGrid->SelectedRows().Count(), 0);
    const QTime times[] = {QTime(8, 15), QTime(12, 0), QTime(18, 45, 30)};
    const char* names[] = {"one", "two", "three"};
    for (int i = 0; i < 3; ++i) {
      const auto r = p.find(names[i]);
      QVERIFY(r);
      QCOMPARE(toolkit::toQDate(std::get<format::Date>((*r)[0])), target);
      QCOMPARE(toolkit::toQTime(std::get<format::Time>((*r)[1])), times[i]);
    }
    QCOMPARE(std::get<bool>((*p.find("three"))[3]), true);
    QCOMPARE(p.book.viewedDay(), day);  // the picker does not follow them
    // The calendar opens on the day chosen last time, not today.
    p.select({"stays"});
    p.answerMove(std::nullopt);
    p.book.TasksMoveTBClick();
    QVERIFY(p.shownDialog);
    QCOMPARE(p.dayAtShow, target);
  }

  void aRefusedMoveIsShownAndLosesNothing() {
    const QDate day(2024, 5, 20), other(2024, 5, 21);
    Page p({{day, QTime(9, 0), "first", false, {}},
            {day, QTime(10, 0), "clash", false, {}},
            {other, QTime(10, 0), "taken", false, {}}},
           day);
    p.select({"first", "clash"});
    p.answerMove(other);
    p.book.TasksMoveTBClick();
    QCOMPARE(errors.size(), 1);
    QVERIFY(errors.first().contains("Key violation", Qt::CaseInsensitive));
    // The first one moved, the clashing one kept its day and nothing is pending.
    QCOMPARE(toolkit::toQDate(std::get<format::Date>((*p.find("first"))[0])), other);
    QCOMPARE(toolkit::toQDate(std::get<format::Date>((*p.find("clash"))[0])), day);
    QCOMPARE(toolkit::toQDate(std::get<format::Date>((*p.find("taken"))[0])), other);
    QCOMPARE(p.table().state(), engine::TableState::Browse);
    QCOMPARE(p.book.TaskDBGrid->SelectedRows().Count(), 1);
  }

  void aKeyViolationOnPostKeepsTheRecordToMend() {
    const QDate day(2024, 5, 20);
    Page p({{day, QTime(9, 0), "kept", false, {}}}, day);
    auto& t = p.table();
    p.book.TaskDBNavigator->BtnClick(toolkit::TDBNavigator::Insert);
    t.setField("Time", toolkit::fromQTime(QTime(9, 0)));
    t.setField("Task", std::string("duplicate"));
    p.book.TaskDBNavigator->BtnClick(toolkit::TDBNavigator::Post);
    QCOMPARE(errors.size(), 1);
    QVERIFY(errors.first().contains("Key violation", Qt::CaseInsensitive));
    QCOMPARE(t.state(), engine::TableState::Insert);
    QCOMPARE(QString::fromStdString(t.fieldText("Task")), QString("duplicate"));
    QVERIFY(p.book.TaskDBNavigator->button(toolkit::TDBNavigator::Post)->isEnabled());
    t.setField("Time", toolkit::fromQTime(QTime(9, 30)));
    p.book.TaskDBNavigator->BtnClick(toolkit::TDBNavigator::Post);
    QCOMPARE(errors.size(), 1);
    QCOMPARE(p.shown(), QStringList({"kept", "duplicate"}));
    QVERIFY(p.find("kept") && p.find("duplicate"));
  }

  void keysTypedIntoThePickerStayThere() {
    const QDate day(2024, 5, 20);
    Page p({{day, QTime(9, 0), "Pay rent", false, {}}}, day);
    p.book.show();
    QVERIFY(QTest::qWaitForWindowActive(&p.book));
    QTest::mouseClick(p.book.TaskRGItems[books::AllTasks], Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), p.book.TaskDBGrid);  // the user's mode change
    // Without the week-day name, which a half-typed day would contradict.
    p.book.TaskDateTimePicker->setDisplayFormat(QStringLiteral("d MMMM yyyy"));
    p.book.TaskDateTimePicker->setFocus();
    p.book.TaskDateTimePicker->setSelectedSection(QDateTimeEdit::DaySection);
    // The first digit already makes a valid day and switches to the day mode.
    for (const char* key : {"1", "2"}) QTest::keyClicks(QApplication::focusWidget(), key);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(p.book.viewedDay(), QDate(2024, 5, 12));
    QCOMPARE(p.book.taskMode(), int(books::DayMode));
    QCOMPARE(p.table().state(), engine::TableState::Browse);
    QVERIFY(p.find("Pay rent"));
  }

  void overdueTurnsOverAtMidnight() {
    const QDate day(2030, 3, 10);
    support::SettableClock clock(std::chrono::system_clock::time_point(
        std::chrono::milliseconds(QDateTime(day, QTime(23, 59, 59, 800)).toMSecsSinceEpoch())));
    Page p({{day, QTime(9, 0), "due today", false, {}}}, day);
    p.book.setClock(clock);
    p.book.setTaskMode(books::OverdueTasks);
    QCOMPARE(p.shown(), QStringList());
    // Time passes with nobody touching a control: the page's timer, armed
    // for the clock's next midnight, filters again.
    clock.advance(std::chrono::milliseconds(400));
    QTRY_COMPARE_WITH_TIMEOUT(p.shown(), QStringList({"due today"}), 2000);
    // A new task's time comes from the same clock.
    p.book.setTaskMode(books::AllTasks);
    p.table().append();
    QCOMPARE(p.table().fieldText("Time"), std::string("00:00:00"));
    p.table().cancel();
  }

  void rightClickMovesTheRowUnderThePointer() {
    const QDate day(2024, 5, 20);
    Page p({{day, QTime(9, 0), "a", false, {}},
            {day, QTime(10, 0), "b", false, {}},
            {day, QTime(11, 0), "c", false, {}}},
           day);
    p.book.show();
    auto* grid = p.book.TaskDBGrid;
    const QPoint rowB = grid->visualRect(grid->tableModel().index(1, 0)).center();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, rowB);
    QCOMPARE(grid->SelectedRows().Count(), 1);  // a left click only selects
    p.answerMove(std::nullopt);
    QTest::mouseClick(grid->viewport(), Qt::RightButton, {},
                      grid->visualRect(grid->tableModel().index(2, 0)).center());
    QVERIFY(p.shownDialog);
    QCOMPARE(grid->SelectedRows().Count(), 1);
    QCOMPARE(*p.table().rowOfBookmark(grid->SelectedRows().Items(0)), std::size_t(2));
  }

 private:
  QStringList errors;
};

QTEST_MAIN(TasksBookTest)
#include "TasksBookTest.moc"

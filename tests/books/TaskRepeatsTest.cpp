// Repeating tasks on the tasks page: shown on the days they occur, done per
// occurrence, and edits and deletes that ask which occurrences they are for.
#include <QtTest>

#include "TaskFixture.h"
#include "books/TasksBook.h"
#include "toolkit/ErrorBox.h"

using namespace torvelle;
using books::RepeatScope;
using testing::SeedTask;

namespace {

const QDate kToday = QDate::currentDate();
const QDate kMonday = kToday.addDays(1 - kToday.dayOfWeek());

struct Page {
  // Single tasks, then one task repeating by `rule`.
  Page(const std::vector<SeedTask>& tasks, const SeedTask& repeating, const std::string& rule)
      : data(tasks), book(*data.tables, form, [] { return false; }) {
    testing::seedRepeatingTask(data.dir.path(), repeating, rule);
    book.setViewedDay(kMonday);
    book.SyncDayTab();
    data.tables->OpenTables();
    book.resize(632, 420);
    book.Repeats->setScopeQuestion([this](const QString& question) {
      asked << question;
      return answer;
    });
  }
  engine::Table& table() { return data.tables->TaskTable; }
  QStringList shownOn(QDate day) {
    book.ShiftTaskDate(static_cast<int>(book.viewedDay().daysTo(day)));
    QStringList out;
    auto& m = book.TaskDBGrid->tableModel();
    for (int r = 0; r < m.rowCount(); ++r) out << m.index(r, 0).data().toString();
    return out;
  }
  // As the navigator's delete button does: a delete that a handler carried
  // out another way ends silently.
  void removeCurrent() {
    try {
      table().remove();
    } catch (const toolkit::SilentAbort&) {
    }
  }
  std::vector<format::Record> stored() {
    return format::TableFile::open(testing::tasksPath(data.dir.path()), {})->readAll();
  }
  testing::TaskTables data;
  books::TMoveRecOnDateForm form;
  books::TTasksBook book;
  QStringList asked;
  RepeatScope answer = RepeatScope::ThisOne;
};

std::string text(const format::Record& r, std::size_t field) {
  const auto* s = std::get_if<std::string>(&r[field]);
  return s ? *s : std::string();
}

std::string day(QDate d) {
  return d.toString(QStringLiteral("yyyyMMdd")).toStdString();
}

const QString kStandup = QStringLiteral("\u21BB Standup");

}  // namespace

class TaskRepeatsTest : public QObject {
  Q_OBJECT
 private slots:
  void weeklyTaskShowsOnItsDaysAndIsDonePerOccurrence() {
    Page p({{kMonday.addDays(1), QTime(9, 0), "Single", true, {}}},
           {kMonday.addDays(-14), QTime(8, 0), "Standup", false, {}}, "FREQ=WEEKLY;BYDAY=MO,TH");
    QCOMPARE(p.shownOn(kMonday), QStringList{kStandup});
    QCOMPARE(p.shownOn(kMonday.addDays(1)), QStringList{"Single"});
    QCOMPARE(p.shownOn(kMonday.addDays(2)), QStringList{});
    QCOMPARE(p.shownOn(kMonday.addDays(3)), QStringList{kStandup});

    // Done ticks Thursday's occurrence only: the record stays open, the
    // next Thursday is not done.
    p.table().moveTo(0);
    QVERIFY(p.book.DoneOccurrenceCB->isVisibleTo(&p.book));
    QVERIFY(!p.book.DoneDBCB->isVisibleTo(&p.book));
    p.book.DoneOccurrenceCB->click();
    const auto series = p.stored().front();
    QCOMPARE(std::get<bool>(series[3]), false);
    QCOMPARE(text(series, 7), "DONE:" + day(kMonday.addDays(3)) + "\n");
    QCOMPARE(p.shownOn(kMonday.addDays(3)), QStringList{kStandup});
    QVERIFY(p.book.DoneOccurrenceCB->isChecked());
    QCOMPARE(p.shownOn(kMonday.addDays(10)), QStringList{kStandup});
    QVERIFY(!p.book.DoneOccurrenceCB->isChecked());

    // Listed once in the other modes; overdue while a past one is open.
    p.book.setTaskMode(books::AllTasks);
    QCOMPARE(p.table().rowCount(), 2u);
    p.book.setTaskMode(books::OverdueTasks);
    QCOMPARE(p.table().rowCount(), 1u);
  }

  void editsMovesAndDeletesAskWhichOccurrences() {
    Page p({}, {kMonday.addDays(-7), QTime(8, 0), "Standup", false, {}}, "FREQ=WEEKLY;BYDAY=MO,TH");
    const QDate thursday = kMonday.addDays(3);
    // This and following: the series ends the day before, a new one with
    // the new text and its own identity goes on from Thursday.
    QCOMPARE(p.shownOn(thursday), QStringList{kStandup});
    p.answer = RepeatScope::ThisAndFollowing;
    p.table().moveTo(0);
    p.table().edit();
    p.table().setField("Task", std::string("Standup v2"));
    p.table().post();
    QCOMPARE(p.asked, QStringList{"\"Standup\" repeats. Change which occurrences?"});
    auto records = p.stored();
    QCOMPARE(records.size(), 2u);
    QCOMPARE(text(records[0], 6),
             "FREQ=WEEKLY;UNTIL=" + day(thursday.addDays(-1)) + ";BYDAY=MO,TH");
    QCOMPARE(text(records[1], 2), std::string("Standup v2"));
    QCOMPARE(std::get<format::Date>(records[1][0]), toolkit::fromQDate(thursday));
    QVERIFY(text(records[1], 5) != text(records[0], 5) && !text(records[1], 5).empty());
    QCOMPARE(p.shownOn(kMonday), QStringList{kStandup});
    QCOMPARE(p.shownOn(kMonday.addDays(7)), QStringList{"\u21BB Standup v2"});

    // This one: next Monday's occurrence alone moves to Tuesday at ten.
    p.answer = RepeatScope::ThisOne;
    p.table().moveTo(0);
    p.table().edit();
    p.table().setField("Date", toolkit::fromQDate(kMonday.addDays(8)));
    p.table().setField("Time", toolkit::fromQTime(QTime(10, 0)));
    p.table().post();
    QCOMPARE(text(p.stored()[1], 7),
             "MOVED:" + day(kMonday.addDays(7)) + ">" + day(kMonday.addDays(8)) + "T100000\n");
    QCOMPARE(p.shownOn(kMonday.addDays(7)), QStringList{});
    QCOMPARE(p.shownOn(kMonday.addDays(8)), QStringList{"\u21BB Standup v2"});

    // Deleting one occurrence keeps the series; deleting all removes it.
    QCOMPARE(p.shownOn(kMonday.addDays(10)), QStringList{"\u21BB Standup v2"});
    p.table().moveTo(0);
    p.removeCurrent();
    QCOMPARE(p.stored().size(), 2u);
    QVERIFY(text(p.stored()[1], 7).find("EXDATE:" + day(kMonday.addDays(10))) != std::string::npos);
    QCOMPARE(p.shownOn(kMonday.addDays(10)), QStringList{});
    QCOMPARE(p.shownOn(kMonday.addDays(14)), QStringList{"\u21BB Standup v2"});
    p.answer = RepeatScope::All;
    p.table().moveTo(0);
    p.removeCurrent();
    QCOMPARE(p.stored().size(), 1u);
  }
};

QTEST_MAIN(TaskRepeatsTest)
#include "TaskRepeatsTest.moc"

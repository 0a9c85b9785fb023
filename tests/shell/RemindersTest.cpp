// The reminders over real table files, with a clock the test sets and the
// notes going to the fake desktop service.
#include <QSignalSpy>
#include <QtTest>

#include "ShellFixture.h"
#include "books/TaskFixture.h"
#include "books/TasksBook.h"
#include "platform/fake/FakeDesktopNotifications.h"
#include "shell/MainForm.h"
#include "shell/Reminders.h"
#include "store/TableSet.h"
#include "support/Clock.h"
#include "support/EmptyFile.h"
#include "support/ProfileFile.h"

using namespace torvelle;
using testing::SeedTask;

namespace {

const QDate kToday(2026, 12, 8);

// The program's clock and a monotonic one; `pass` moves both, `set` only
// the wall clock.
struct TestClock {
  TestClock() { set(QDateTime(kToday, QTime(13, 0))); }
  support::SettableClock clock;
  qint64 monotonic = 0;
  QDateTime wall() const { return toolkit::localTime(clock); }
  void pass(qint64 ms) {
    clock.advance(std::chrono::milliseconds(ms));
    monotonic += ms;
  }
  void set(const QDateTime& to) {
    clock.set(support::Clock::TimePoint(std::chrono::milliseconds(to.toMSecsSinceEpoch())));
  }
  shell::TReminderClock seam() {
    return {&clock, [this] { return monotonic; }};
  }
};

void seedDates(const std::filesystem::path& root,
               const std::vector<std::tuple<std::string, QDate, std::string>>& events) {
  format::OpenOptions options;
  options.writable = true;
  auto file = format::TableFile::open(root / "DB/Dates/Dates.db", options);
  int n = 0;
  for (const auto& [section, date, event] : events) {
    format::Record r(5);
    r[0] = section;
    r[1] = toolkit::fromQDate(date);
    r[2] = format::Time{++n};  // distinct keys within a section and day
    r[3] = event;
    file->insert(r);
  }
}

QStringList titles(const platform::TFakeDesktopNotifications& notes) {
  QStringList all;
  for (const auto& note : notes.notes) all << note.title;
  return all;
}

// One running program's reminders, over the tables, settings and notes of
// the test; made again to stand for a restart.
struct Running {
  Running(testing::TaskTables& t, support::ProfileFile& settings, TestClock& clock,
          platform::TFakeDesktopNotifications& notes, books::ReminderOptions options = {})
      : reminders(t.tables->TaskTable, t.tables->DatesTable, t.session, settings, notes,
                  clock.seam()) {
    reminders.setOptions(options);
    reminders.start();
  }
  shell::TReminders reminders;
};

}  // namespace

class RemindersTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<testing::TaskTables> tables_;
  std::unique_ptr<support::ProfileFile> settings_;
  TestClock clock_;
  platform::TFakeDesktopNotifications notes_;

  void init(const std::vector<SeedTask>& tasks) {
    tables_ = std::make_unique<testing::TaskTables>(tasks);
    const auto ini = tables_->dir.path() / "torvelle.ini";
    support::createEmptyFile(ini);
    settings_ = std::make_unique<support::ProfileFile>(ini);
    clock_.set(QDateTime(kToday, QTime(13, 0)));
    clock_.monotonic = 0;
    notes_.notes.clear();
  }

 private slots:
  void cleanup() {
    settings_.reset();
    tables_.reset();
  }

  void taskAnnouncedOnceAtItsMomentAndDoneNever() {
    init({{kToday, QTime(14, 0), "Call the bank", false, "Ask for Irina\nroom 12"},
          {kToday, QTime(14, 0, 30), "Already done", true, {}}});
    Running run(*tables_, *settings_, clock_, notes_);
    QVERIFY(notes_.notes.empty());
    // One timer, never longer than the bound, never a busy loop.
    QCOMPARE(run.reminders.msecsToNext(), shell::TReminders::kLongestWaitMs);

    clock_.pass(60 * 60 * 1000 - 1);  // 13:59:59.999
    run.reminders.check();
    QVERIFY(notes_.notes.empty());
    QCOMPARE(run.reminders.msecsToNext(), 1);

    clock_.pass(1);
    run.reminders.check();
    QCOMPARE(titles(notes_), QStringList{"Call the bank"});
    QVERIFY(notes_.notes[0].body.contains(QLocale().toString(QTime(14, 0), QLocale::ShortFormat)));
    QVERIFY(notes_.notes[0].body.endsWith(QStringLiteral("Ask for Irina")));
    QVERIFY(notes_.notes[0].actions.contains(QStringLiteral("done")));

    clock_.pass(10 * 60 * 1000);
    run.reminders.check();
    QCOMPARE(notes_.notes.size(), std::size_t(1));
    // Nor as an overdue task when the program starts again.
    { Running again(*tables_, *settings_, clock_, notes_); }
    QCOMPARE(notes_.notes.size(), std::size_t(1));
  }

  void movedTaskAnnouncedAtItsNewMoment() {
    init({{kToday, QTime(14, 0), "Dentist", false, {}}});
    auto& table = tables_->tables->TaskTable;
    tables_->tables->OpenTables();
    Running run(*tables_, *settings_, clock_, notes_);

    // Moved an hour later through the program's table, as the grid does.
    table.first();
    table.edit();
    table.setField("Time", format::Value(toolkit::fromQTime(QTime(15, 0))));
    table.post();
    QCoreApplication::processEvents();  // the reload is coalesced

    clock_.pass(60 * 60 * 1000);
    run.reminders.check();
    QVERIFY(notes_.notes.empty());
    clock_.pass(60 * 60 * 1000);
    run.reminders.check();
    QCOMPARE(titles(notes_), QStringList{"Dentist"});

    // A task typed in now gets the current time: it is not announced.
    clock_.pass(1000);
    table.append();
    table.setField("Date", format::Value(toolkit::fromQDate(kToday)));
    table.setField("Time", format::Value(toolkit::fromQTime(clock_.wall().time())));
    table.setField("Task", format::Value(std::string("Just typed")));
    table.post();
    QCoreApplication::processEvents();
    clock_.pass(1000);
    run.reminders.check();
    QCOMPARE(notes_.notes.size(), std::size_t(1));
  }

  void overdueSummedUpOnceAndNothingTwiceAcrossRestart() {
    init({{kToday.addDays(-2), QTime(9, 0), "Old one", false, {}},
          {kToday.addDays(-1), QTime(9, 0), "Done one", true, {}},
          {kToday, QTime(12, 0), "Missed at noon", false, {}},
          {kToday, QTime(14, 0), "Afternoon", false, {}}});
    {
      Running run(*tables_, *settings_, clock_, notes_);
      QCOMPARE(notes_.notes.size(), std::size_t(1));
      QCOMPARE(notes_.notes[0].title, QStringLiteral("Overdue tasks"));
      QVERIFY(notes_.notes[0].body.endsWith(QStringLiteral(": 2")));
      clock_.pass(60 * 60 * 1000);
      run.reminders.check();
      QCOMPARE(titles(notes_).last(), QStringLiteral("Afternoon"));
    }
    // Started again the same day: neither the summary nor the task again.
    notes_.notes.clear();
    clock_.pass(60 * 1000);
    { Running again(*tables_, *settings_, clock_, notes_); }
    QVERIFY(notes_.notes.empty());
    // The next day the summary comes once more, and yesterday's entries are gone.
    clock_.pass(24 * 60 * 60 * 1000);
    { Running nextDay(*tables_, *settings_, clock_, notes_); }
    QCOMPARE(titles(notes_), QStringList{"Overdue tasks"});
    QVERIFY(notes_.notes[0].body.endsWith(QStringLiteral(": 3")));
    QCOMPARE(settings_->readString("Reminders", "Tasks", "x"), std::string());
  }

  void anniversariesOnTheDayAndTheDaysBefore() {
    init({});
    seedDates(tables_->dir.path(), {{"Family", QDate(1990, 12, 10), "Anna's birthday"},
                                    {"Work", QDate(2026, 12, 8), "Contract signed"},
                                    {"Work", QDate(2027, 12, 8), "Not yet"},
                                    {"Family", QDate(1990, 6, 1), "Far off"}});
    books::ReminderOptions twoDays;
    twoDays.daysBefore = 2;
    {
      Running run(*tables_, *settings_, clock_, notes_, twoDays);
      QCOMPARE(titles(notes_), (QStringList{"Anna's birthday", "Contract signed"}));
      QVERIFY(notes_.notes[0].body.startsWith(QStringLiteral("Family: in 2 days")));
      QVERIFY(notes_.notes[0].body.endsWith(QStringLiteral("Years: 36")));
      QCOMPARE(notes_.notes[1].body, QStringLiteral("Work: today"));

      // Past midnight the distance counts from the new day.
      clock_.pass(11 * 60 * 60 * 1000);
      run.reminders.check();
      clock_.pass(shell::TReminders::kLongestWaitMs);
      run.reminders.check();
      QCOMPARE(titles(notes_).size(), 3);
      QVERIFY(notes_.notes[2].body.startsWith(QStringLiteral("Family: tomorrow")));
    }
    // A restart on the same day announces nothing again.
    notes_.notes.clear();
    { Running again(*tables_, *settings_, clock_, notes_, twoDays); }
    QVERIFY(notes_.notes.empty());
    // Turned off, nothing; days before set to 0, only the day itself.
    clock_.pass(24 * 60 * 60 * 1000);
    books::ReminderOptions off{true, false, 2};
    { Running dark(*tables_, *settings_, clock_, notes_, off); }
    QVERIFY(notes_.notes.empty());
    books::ReminderOptions onTheDay{true, true, 0};
    { Running run(*tables_, *settings_, clock_, notes_, onTheDay); }
    QCOMPARE(titles(notes_), QStringList{"Anna's birthday"});
    QVERIFY(notes_.notes[0].body.startsWith(QStringLiteral("Family: today")));
  }

  void clockSetForwardAndBack() {
    init({{kToday, QTime(14, 0), "Two o'clock", false, {}},
          {kToday, QTime(16, 0), "Four o'clock", false, {}}});
    Running run(*tables_, *settings_, clock_, notes_);

    // Forward two hours while one minute passed: the task between is due.
    clock_.monotonic += 60 * 1000;
    clock_.set(QDateTime(kToday, QTime(15, 0)));
    run.reminders.check();
    QCOMPARE(titles(notes_), QStringList{"Two o'clock"});

    // Back to 13:55: the timer waits for 14:00 again, which brings nothing new.
    clock_.monotonic += 60 * 1000;
    clock_.set(QDateTime(kToday, QTime(13, 55)));
    run.reminders.check();
    QCOMPARE(run.reminders.msecsToNext(), 5 * 60 * 1000);
    clock_.pass(5 * 60 * 1000);
    run.reminders.check();
    QCOMPARE(notes_.notes.size(), std::size_t(1));
    clock_.set(QDateTime(kToday, QTime(16, 0)));
    run.reminders.clockChanged();  // as on waking from sleep
    QCOMPARE(titles(notes_), (QStringList{"Two o'clock", "Four o'clock"}));
  }

  void snoozedTaskComesBackOnceAtItsTimeAndAfterARestart() {
    init({{kToday, QTime(14, 0), "Call the bank", false, {}}});
    {
      Running run(*tables_, *settings_, clock_, notes_);
      clock_.pass(60 * 60 * 1000);  // 14:00
      run.reminders.check();
      QCOMPARE(titles(notes_), QStringList{"Call the bank"});
      // Offered under one button: 5, 15, 60 minutes and tomorrow.
      QCOMPARE(notes_.notes[0].menuActions,
               (QStringList{"snooze5", "5 minutes", "snooze15", "15 minutes", "snooze60", "1 hour",
                            "snoozeTomorrow", "Tomorrow"}));
      notes_.invoke(1, QStringLiteral("snooze15"));
      clock_.pass(15 * 60 * 1000 - 1);
      run.reminders.check();
      QCOMPARE(notes_.notes.size(), std::size_t(1));
      clock_.pass(1);
      run.reminders.check();
      QCOMPARE(titles(notes_), (QStringList{"Call the bank", "Call the bank"}));
      clock_.pass(2 * 60 * 60 * 1000);  // once only
      run.reminders.check();
      QCOMPARE(notes_.notes.size(), std::size_t(2));
      // Put off to tomorrow from the note that came back: kept in the settings.
      notes_.invoke(2, QStringLiteral("snoozeTomorrow"));
    }
    // The program is started again the next morning; the task's day is past.
    clock_.set(QDateTime(kToday.addDays(1), QTime(13, 59)));
    clock_.monotonic = 0;
    notes_.notes.clear();
    Running again(*tables_, *settings_, clock_, notes_);
    QCOMPARE(titles(notes_), QStringList{"Overdue tasks"});
    QCOMPARE(again.reminders.msecsToNext(), 60 * 1000);
    clock_.pass(60 * 1000);
    again.reminders.check();
    QCOMPARE(titles(notes_), (QStringList{"Overdue tasks", "Call the bank"}));
    clock_.pass(24 * 60 * 60 * 1000);
    again.reminders.check();
    QCOMPARE(notes_.notes.size(), std::size_t(2));
  }

  void snoozedAnniversaryComesBackOnceAndAfterARestart() {
    init({});
    seedDates(tables_->dir.path(), {{"Work", QDate(2020, 12, 8), "Contract signed"},
                                    {"Work", QDate(2020, 12, 8), "Other one"}});
    books::ReminderOptions onTheDay{true, true, 0};
    {
      Running run(*tables_, *settings_, clock_, notes_, onTheDay);
      QCOMPARE(titles(notes_), (QStringList{"Contract signed", "Other one"}));
      QCOMPARE(notes_.notes[0].menuActions.size(), 8);
      notes_.invoke(1, QStringLiteral("snooze60"));
      clock_.pass(60 * 60 * 1000 - 1);
      run.reminders.check();
      QCOMPARE(notes_.notes.size(), std::size_t(2));
      clock_.pass(1);
      run.reminders.check();
      QCOMPARE(titles(notes_), (QStringList{"Contract signed", "Other one", "Contract signed"}));
      QCOMPARE(notes_.notes[2].body, notes_.notes[0].body);  // "Work: today", years and all
      clock_.pass(3 * 60 * 60 * 1000);                       // once only
      run.reminders.check();
      QCOMPARE(notes_.notes.size(), std::size_t(3));
      notes_.invoke(3, QStringLiteral("snoozeTomorrow"));
    }
    // Started again the next day, a minute before: it comes at this time of
    // day, dated, the other one not at all.
    clock_.set(QDateTime(kToday.addDays(1), QTime(16, 59)));
    clock_.monotonic = 0;
    notes_.notes.clear();
    Running again(*tables_, *settings_, clock_, notes_, onTheDay);
    QVERIFY(notes_.notes.empty());
    QCOMPARE(again.reminders.msecsToNext(), 60 * 1000);
    clock_.pass(60 * 1000);
    again.reminders.check();
    QCOMPARE(titles(notes_), QStringList{"Contract signed"});
    QVERIFY(notes_.notes[0].body.startsWith(QStringLiteral("Work (")));
    QVERIFY(notes_.notes[0].body.endsWith(QStringLiteral("Years: 6")));
  }

  void answersReachTheProgram() {
    init({{kToday, QTime(13, 30), "Answer me", false, {}}});
    Running run(*tables_, *settings_, clock_, notes_);
    QSignalSpy done(&run.reminders, &shell::TReminders::markTaskDone);
    QSignalSpy open(&run.reminders, &shell::TReminders::openTask);
    clock_.pass(30 * 60 * 1000);
    run.reminders.check();
    QCOMPARE(notes_.notes.size(), std::size_t(1));
    notes_.invoke(1, QStringLiteral("done"));
    notes_.invoke(1, QStringLiteral("default"));
    notes_.invoke(7, QStringLiteral("done"));  // not ours
    QCOMPARE(done.size(), 1);
    QCOMPARE(done[0][0].toDate(), kToday);
    QCOMPARE(done[0][1].toTime(), QTime(13, 30));
    QCOMPARE(open.size(), 1);
  }

  // The main window's side: a hidden start still sums up the overdue tasks
  // from the files, the answer opens the overdue view, and "Done" changes
  // the record whether the tables are open or closed in the tray.
  void answersOpenTheWindowAndMarkDone() {
    ShellFixture f;
    const QDate today = QDate::currentDate();
    {
      format::OpenOptions options;
      options.writable = true;
      auto file = format::TableFile::open(f.root() / "DB/Tasks/Tasks.db", options);
      file->insert(testing::taskRecord({today.addDays(-1), QTime(9, 0), "Overdue one", false, {}}));
      file->insert(testing::taskRecord({today.addDays(1), QTime(9, 0), "Tomorrow", false, {}}));
      file->insert(testing::taskRecord({today.addDays(2), QTime(9, 0), "Later", false, {}}));
    }
    testing::seedRepeatingTask(f.root(), {today.addDays(1), QTime(10, 0), "Weekly", false, {}},
                               "FREQ=WEEKLY");
    QVERIFY(f.start({QStringLiteral("-h")}));
    QCOMPARE(titles(f.notes), QStringList{"Overdue tasks"});
    shell::TMainForm& main = f.main();
    QVERIFY(!main.Tables().TaskTable.isOpen());

    f.notes.invoke(1, QStringLiteral("default"));
    QVERIFY(main.isVisible());
    QCOMPARE(main.TasksBook->taskMode(), int(books::OverdueTasks));
    auto& table = main.Tables().TaskTable;
    QCOMPARE(table.rowCount(), std::size_t(1));

    const auto doneOnDisk = [&](const char* task) {
      for (const auto& record :
           format::TableFile::open(f.root() / "DB/Tasks/Tasks.db", {})->readAll())
        if (std::get<std::string>(record[2]) == task) return std::get<bool>(record[3]);
      return false;
    };
    // A repeating task's reminder names an occurrence: that one is done,
    // the series is not.
    const auto weeklyExceptions = [&] {
      for (const auto& record :
           format::TableFile::open(f.root() / "DB/Tasks/Tasks.db", {})->readAll())
        if (std::get<std::string>(record[2]) == "Weekly") {
          const auto* memo = std::get_if<std::string>(&record[7]);
          return std::get<bool>(record[3]) ? std::string("series done") : memo ? *memo : "";
        }
      return std::string("missing");
    };
    const auto doneLine = [](QDate day) {
      return "DONE:" + day.toString(QStringLiteral("yyyyMMdd")).toStdString();
    };
    main.MarkReminderTaskDone(today.addDays(8), QTime(10, 0));
    QCOMPARE(weeklyExceptions(), doneLine(today.addDays(8)) + "\n");
    main.MarkReminderTaskDone(today.addDays(2), QTime(9, 0));
    QVERIFY(doneOnDisk("Later"));
    // The page keeps its view and its record.
    QCOMPARE(main.TasksBook->taskMode(), int(books::OverdueTasks));
    QCOMPARE(table.rowCount(), std::size_t(1));
    QCOMPARE(table.fieldText("Task"), std::string("Overdue one"));

    main.close();
    QVERIFY(!table.isOpen());
    main.MarkReminderTaskDone(today.addDays(1), QTime(9, 0));
    QVERIFY(doneOnDisk("Tomorrow"));
    main.MarkReminderTaskDone(today.addDays(15), QTime(10, 0));
    QVERIFY(weeklyExceptions().find(doneLine(today.addDays(15))) != std::string::npos);
    QVERIFY(weeklyExceptions().find(doneLine(today.addDays(8))) != std::string::npos);
    QVERIFY(!doneOnDisk("Overdue one"));
    QVERIFY(f.errors.isEmpty());
  }
};

QTEST_MAIN(RemindersTest)
#include "RemindersTest.moc"

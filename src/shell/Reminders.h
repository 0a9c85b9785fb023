#pragma once
#include <QDateTime>
#include <QObject>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>

#include "books/ReminderRules.h"
#include "books/SnoozeRules.h"
#include "engine/TableObserver.h"

namespace torvelle::engine {
class Session;
class Table;
}  // namespace torvelle::engine

namespace torvelle::platform {
class TDesktopNotifications;
struct TDesktopNote;
}  // namespace torvelle::platform

namespace torvelle::support {
class Clock;
class ProfileFile;
}  // namespace torvelle::support

namespace torvelle::shell {

// The time as the reminders see it: the program's clock, and a monotonic
// one that lets a change of the wall clock be told from time passing.
struct TReminderClock {
  const support::Clock* wall = nullptr;
  std::function<qint64()> monotonicMs;
  // `wall` with a monotonic clock started now.
  static TReminderClock system(const support::Clock& wall);
};

// The texts of the notes, English as built in; a language file sets others
// through the properties. %1, %2 are filled as each comment says.
class TReminderTexts : public QObject {
  Q_OBJECT
  Q_PROPERTY(QString TaskBody MEMBER taskBody)
  Q_PROPERTY(QString OverdueTitle MEMBER overdueTitle)
  Q_PROPERTY(QString OverdueBody MEMBER overdueBody)
  Q_PROPERTY(QString DateToday MEMBER dateToday)
  Q_PROPERTY(QString DateTomorrow MEMBER dateTomorrow)
  Q_PROPERTY(QString DateInDays MEMBER dateInDays)
  Q_PROPERTY(QString DateYears MEMBER dateYears)
  Q_PROPERTY(QString OpenAction MEMBER open)
  Q_PROPERTY(QString DoneAction MEMBER done)
  Q_PROPERTY(QString SnoozeAction MEMBER snooze)
  Q_PROPERTY(QString Snooze5 MEMBER snooze5)
  Q_PROPERTY(QString Snooze15 MEMBER snooze15)
  Q_PROPERTY(QString Snooze60 MEMBER snooze60)
  Q_PROPERTY(QString SnoozeTomorrow MEMBER snoozeTomorrow)
 public:
  using QObject::QObject;
  QString taskBody = QStringLiteral("Due at %1");  // %1 time
  QString overdueTitle = QStringLiteral("Overdue tasks");
  QString overdueBody = QStringLiteral("Tasks overdue: %1");  // %1 count
  QString dateToday = QStringLiteral("%1: today");            // %1 section
  QString dateTomorrow = QStringLiteral("%1: tomorrow");
  QString dateInDays = QStringLiteral("%1: in %2 days");  // %2 days
  QString dateYears = QStringLiteral("Years: %1");
  QString open = QStringLiteral("Open");
  QString done = QStringLiteral("Done");
  QString snooze = QStringLiteral("Snooze");
  QString snooze5 = QStringLiteral("5 minutes");
  QString snooze15 = QStringLiteral("15 minutes");
  QString snooze60 = QStringLiteral("1 hour");
  QString snoozeTomorrow = QStringLiteral("Tomorrow");
};

// Announces tasks at their moment and anniversaries of important dates,
// through one timer set to the next moment that matters (a task, the next
// midnight, and a bounded wait so that a change of the wall clock that
// nobody reports is noticed). Records are read from the table files, so the
// reminders work while the window is hidden and the tables closed; a table
// that cannot be read then (protected, no password held) keeps what was
// last read.
class TReminders : public QObject, private engine::TableObserver {
  Q_OBJECT
 public:
  // The longest the timer waits, whatever comes next.
  static constexpr books::Moment kLongestWaitMs = 10 * 60 * 1000;

  TReminders(engine::Table& taskTable, engine::Table& datesTable, engine::Session& session,
             support::ProfileFile& settings, platform::TDesktopNotifications& notes,
             TReminderClock clock, QObject* parent = nullptr);
  ~TReminders() override;

  // Once, at program start: the overdue summary and whatever is due now.
  void start();
  // Takes effect at once; tasks already past are not announced when the
  // task reminders come back on.
  void setOptions(books::ReminderOptions options);
  books::ReminderOptions options() const { return options_; }
  TReminderTexts& texts() { return texts_; }

  // The tables changed: read them again and set the timer anew.
  void reload();
  // The timer's handler: announces what is due and sets the timer again.
  void check();
  // The machine woke or the clock was set: look again now.
  void clockChanged();

  // How long the timer waits now; -1 when it is not running.
  qint64 msecsToNext() const { return timer_.isActive() ? armedForMs_ : -1; }

 signals:
  void openTask(QDate date, QTime time);
  void markTaskDone(QDate date, QTime time);
  void openOverdue();
  void openDates();

 private:
  enum class Target { Task, Overdue, Date };
  struct Pending {
    Target target;
    books::TaskItem task;
    books::AnniversaryNote event;
  };

  void tableReset(engine::Table& table) override;
  void rowsInserted(engine::Table& table, std::size_t, std::size_t) override;
  void rowsRemoved(engine::Table& table, std::size_t, std::size_t) override;
  void rowChanged(engine::Table& table, std::size_t) override;
  void observedGone() override;

  void readTables();
  void loadLog();
  void saveLog();
  void announceDue(books::Moment now);
  void announceTask(const books::TaskItem& task);
  void announceAnniversary(const books::AnniversaryNote& note);
  void arm(books::Moment now);
  void onAction(quint32 id, const QString& action);
  void addSnoozeMenu(platform::TDesktopNote& note) const;
  void snooze(books::SnoozedTask waiting, books::SnoozeChoice choice,
              const books::TaskItem& timing);
  void announceSnoozed(books::Moment now);
  void announceSnoozedEvent(const books::SnoozedTask& waiting, format::Date today);
  books::Moment nowMoment() const;

  engine::Table* taskTable_;
  engine::Table* datesTable_;
  engine::Session& session_;
  support::ProfileFile& settings_;
  platform::TDesktopNotifications& notes_;
  TReminderClock clock_;
  TReminderTexts texts_;
  books::ReminderOptions options_;

  std::vector<books::TaskItem> tasks_;
  std::vector<books::DateItem> dates_;
  books::AnnouncedLog log_;
  books::SnoozeList snoozed_;
  std::string savedLog_;
  bool taskTableOpen_ = false;
  bool datesTableOpen_ = false;

  // Tasks are announced when their moment falls after the last look.
  books::Moment lastCheck_ = 0;
  format::Date day_;
  QTimer timer_;
  QTimer reloadTimer_;
  qint64 armedForMs_ = 0;
  QDateTime armedAtWall_;
  qint64 armedAtMonotonic_ = 0;
  std::map<quint32, Pending> pending_;
};

}  // namespace torvelle::shell

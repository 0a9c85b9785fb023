#include "shell/Reminders.h"

#include <QElapsedTimer>
#include <QLocale>
#include <QRegularExpression>
#include <algorithm>
#include <cstdlib>
#include <iterator>

#include "books/ReminderSource.h"
#include "engine/Session.h"
#include "engine/Table.h"
#include "platform/DesktopNotifications.h"
#include "support/Clock.h"
#include "support/ProfileFile.h"
#include "support/SettingsDefaults.h"
#include "toolkit/EngineDates.h"
#include "toolkit/ErrorBox.h"

namespace torvelle::shell {
namespace {

using books::Moment;

// More difference than this between the wall clock and the monotonic one
// over one wait means the clock was set (or the zone changed).
constexpr qint64 kJumpToleranceMs = 2000;
// Answers are taken for this many recent notes.
constexpr std::size_t kPendingKept = 200;

QDateTime wallOf(Moment moment) {
  return QDateTime(toolkit::toQDate(books::dayOf(moment)),
                   QTime::fromMSecsSinceStartOfDay(static_cast<int>(moment % books::kDayMs)));
}

QString firstLine(const std::string& text) {
  const QString all = QString::fromStdString(text);
  const qsizetype end = all.indexOf(QRegularExpression(QStringLiteral("[\r\n]")));
  return (end < 0 ? all : all.left(end)).trimmed();
}

}  // namespace

TReminderClock TReminderClock::system(const support::Clock& wall) {
  auto started = std::make_shared<QElapsedTimer>();
  started->start();
  return {&wall, [started] { return started->elapsed(); }};
}

TReminders::TReminders(engine::Table& taskTable, engine::Table& datesTable,
                       engine::Session& session, support::ProfileFile& settings,
                       platform::TDesktopNotifications& notes, TReminderClock clock,
                       QObject* parent)
    : QObject(parent),
      taskTable_(&taskTable),
      datesTable_(&datesTable),
      session_(session),
      settings_(settings),
      notes_(notes),
      clock_(std::move(clock)) {
  timer_.setSingleShot(true);
  timer_.setTimerType(Qt::PreciseTimer);
  connect(&timer_, &QTimer::timeout, this, [this] { check(); });
  // Several changes in one go (a move of many tasks) make one reload.
  reloadTimer_.setSingleShot(true);
  reloadTimer_.setInterval(0);
  connect(&reloadTimer_, &QTimer::timeout, this, [this] { reload(); });
  connect(&notes_, &platform::TDesktopNotifications::actionInvoked, this,
          [this](quint32 id, const QString& action) { onAction(id, action); });
  taskTable_->addObserver(this);
  datesTable_->addObserver(this);
  taskTableOpen_ = taskTable_->isOpen();
  datesTableOpen_ = datesTable_->isOpen();
}

TReminders::~TReminders() {
  if (taskTable_) taskTable_->removeObserver(this);
  if (datesTable_) datesTable_->removeObserver(this);
}

Moment TReminders::nowMoment() const {
  const QDateTime now = toolkit::localTime(*clock_.wall);
  return books::momentOf(toolkit::fromQDate(now.date()), toolkit::fromQTime(now.time()));
}

void TReminders::start() {
  loadLog();
  readTables();
  const Moment now = nowMoment();
  day_ = books::dayOf(now);
  log_.prune(day_);
  // What fell due while the program was not running is summed up once.
  lastCheck_ = now - 1;
  if (options_.tasks && !log_.overdueAnnounced(day_)) {
    // A task announced on its own earlier today is not counted again.
    std::vector<books::TaskItem> unannounced;
    std::copy_if(tasks_.begin(), tasks_.end(), std::back_inserter(unannounced),
                 [this](const books::TaskItem& task) { return !log_.taskAnnounced(task); });
    const int overdue = books::overdueTaskCount(unannounced, now);
    if (overdue > 0) {
      const quint32 id = notes_.show(
          {texts_.overdueTitle,
           texts_.overdueBody.arg(overdue),
           {QStringLiteral("default"), texts_.open, QStringLiteral("open"), texts_.open}});
      if (id != 0) pending_[id] = {Target::Overdue, {}, {}};
      log_.markOverdue(day_);
    }
  }
  announceDue(now);
  arm(now);
}

void TReminders::setOptions(books::ReminderOptions options) {
  options_ = options;
  options_.daysBefore = std::clamp(options_.daysBefore, 0, 30);
  if (!day_.day) return;  // not started yet
  const Moment now = nowMoment();
  announceDue(now);
  arm(now);
}

void TReminders::reload() {
  reloadTimer_.stop();
  if (!day_.day) {
    readTables();
    return;
  }
  // What was due before the change is announced from the records as they
  // were; a task the change puts at or before now is then not announced.
  const Moment now = nowMoment();
  announceDue(now);
  readTables();
  arm(now);
}

void TReminders::check() {
  const Moment now = nowMoment();
  if (armedAtWall_.isValid()) {
    const Moment armedAt = books::momentOf(toolkit::fromQDate(armedAtWall_.date()),
                                           toolkit::fromQTime(armedAtWall_.time()));
    const qint64 wallPassed = now - armedAt;
    const qint64 monotonicPassed = clock_.monotonicMs() - armedAtMonotonic_;
    if (std::llabs(wallPassed - monotonicPassed) > kJumpToleranceMs) {
      // The clock was set: what lies between the old and the new time was
      // either announced already (backward) or is due now (forward).
      readTables();
      if (now < lastCheck_) lastCheck_ = now;
    }
  }
  announceDue(now);
  arm(now);
}

void TReminders::clockChanged() {
  readTables();
  const Moment now = nowMoment();
  if (now < lastCheck_) lastCheck_ = now;
  if (!day_.day) return;
  announceDue(now);
  arm(now);
}

void TReminders::readTables() {
  // A closed table is read from its file with the passwords the session
  // holds now; one that cannot be read keeps the records read last.
  // An open table already holds every record in memory.
  // Once started, tasks of past days can only be counted among the overdue
  // at the next start, so they are left out.
  // Tasks put off to a later day are read as long as they wait.
  format::Date fromDay = std::min(day_, books::dayOf(nowMoment()));
  if (const auto waiting = snoozed_.earliestTaskDay()) fromDay = std::min(fromDay, *waiting);
  const Moment from = day_.day ? books::momentOf(fromDay, format::Time{}) : 0;
  const format::OpenOptions options = session_.fileOptions();
  try {
    if (taskTable_)
      tasks_ = taskTable_->isOpen() ? books::taskItemsOf(*taskTable_, from)
                                    : books::readTaskItems(taskTable_->tableName(), options, from);
  } catch (const std::exception&) {
  }
  try {
    if (datesTable_)
      dates_ = datesTable_->isOpen() ? books::dateItemsOf(*datesTable_)
                                     : books::readDateItems(datesTable_->tableName(), options);
  } catch (const std::exception&) {
  }
}

void TReminders::loadLog() {
  log_.load(support::readSetting(settings_, support::kRemindedTasks),
            support::readSetting(settings_, support::kRemindedEvents),
            support::readSetting(settings_, support::kRemindedOverdue));
  snoozed_.load(support::readSetting(settings_, support::kSnoozedTasks));
  savedLog_ = log_.tasksText() + '\n' + log_.eventsText() + '\n' + log_.overdueText() + '\n' +
              snoozed_.text();
}

void TReminders::saveLog() {
  const std::string tasks = log_.tasksText(), events = log_.eventsText(),
                    overdue = log_.overdueText(), snoozed = snoozed_.text();
  const std::string all = tasks + '\n' + events + '\n' + overdue + '\n' + snoozed;
  if (all == savedLog_) return;
  const support::ProfileFile::Entry entries[] = {
      {support::kRemindedTasks.section, support::kRemindedTasks.key, tasks},
      {support::kRemindedEvents.section, support::kRemindedEvents.key, events},
      {support::kRemindedOverdue.section, support::kRemindedOverdue.key, overdue},
      {support::kSnoozedTasks.section, support::kSnoozedTasks.key, snoozed}};
  // Reported, not thrown: the notes are out already, and the next look
  // tries to store them again.
  toolkit::ErrorBox::guard([&] {
    settings_.writeStrings(entries);
    savedLog_ = all;
  });
}

void TReminders::announceDue(Moment now) {
  const format::Date today = books::dayOf(now);
  if (today != day_) {
    day_ = today;
    log_.prune(today);
  }
  if (options_.tasks) {
    for (const books::TaskItem& task : books::tasksDueBetween(tasks_, lastCheck_, now)) {
      if (log_.taskAnnounced(task)) continue;
      announceTask(task);
      log_.markTask(task);
    }
  }
  announceSnoozed(now);
  if (options_.dates) {
    for (const books::AnniversaryNote& note :
         books::anniversariesAround(dates_, today, options_.daysBefore)) {
      if (log_.eventAnnounced(note.item, today)) continue;
      announceAnniversary(note);
      log_.markEvent(note.item, today);
    }
  }
  lastCheck_ = std::max(lastCheck_, now);
  saveLog();
}

void TReminders::announceTask(const books::TaskItem& task) {
  const QTime time = toolkit::toQTime(task.time);
  QString body = texts_.taskBody.arg(QLocale().toString(time, QLocale::ShortFormat));
  const QString detail = firstLine(task.description);
  if (!detail.isEmpty()) body += QLatin1Char('\n') + detail;
  platform::TDesktopNote note{QString::fromStdString(task.task),
                              body,
                              {QStringLiteral("default"), texts_.open, QStringLiteral("open"),
                               texts_.open, QStringLiteral("done"), texts_.done}};
  addSnoozeMenu(note);
  const quint32 id = notes_.show(note);
  if (id != 0) pending_[id] = {Target::Task, task, {}};
  if (pending_.size() > kPendingKept) pending_.erase(pending_.begin());
}

void TReminders::addSnoozeMenu(platform::TDesktopNote& note) const {
  note.menuLabel = texts_.snooze;
  const QString labels[] = {texts_.snooze5, texts_.snooze15, texts_.snooze60,
                            texts_.snoozeTomorrow};
  for (std::size_t i = 0; i < std::size(labels); ++i)
    note.menuActions << QString::fromLatin1(books::kSnoozeActions[i].data(),
                                            static_cast<qsizetype>(books::kSnoozeActions[i].size()))
                     << labels[i];
}

void TReminders::announceAnniversary(const books::AnniversaryNote& note) {
  const QString section = QString::fromStdString(note.item.section);
  QString body;
  if (note.daysLeft == 0)
    body = texts_.dateToday.arg(section);
  else if (note.daysLeft == 1)
    body = texts_.dateTomorrow.arg(section);
  else if (note.daysLeft > 1)
    body = texts_.dateInDays.arg(section).arg(note.daysLeft);
  else
    body = section;  // put off past its day: the date says which one
  if (note.daysLeft != 0)
    body += QStringLiteral(" (%1)").arg(
        QLocale().toString(toolkit::toQDate(note.anniversary), QLocale::ShortFormat));
  if (note.years) body += QLatin1Char('\n') + texts_.dateYears.arg(*note.years);
  platform::TDesktopNote shown{
      QString::fromStdString(note.item.event),
      body,
      {QStringLiteral("default"), texts_.open, QStringLiteral("open"), texts_.open}};
  addSnoozeMenu(shown);
  const quint32 id = notes_.show(shown);
  if (id != 0) pending_[id] = {Target::Date, {}, note};
  if (pending_.size() > kPendingKept) pending_.erase(pending_.begin());
}

void TReminders::arm(Moment now) {
  // The next midnight turns the day for the anniversaries; the longest
  // wait bounds how late a clock set forward is noticed.
  Moment next =
      std::min(books::momentOf(format::Date{day_.day + 1}, format::Time{}), now + kLongestWaitMs);
  if (options_.tasks)
    if (const auto task = books::nextTaskMoment(tasks_, lastCheck_)) next = std::min(next, *task);
  if (const auto waiting = snoozed_.next()) next = std::min(next, *waiting);
  armedForMs_ = std::max<qint64>(0, next - now);
  armedAtWall_ = wallOf(now);
  armedAtMonotonic_ = clock_.monotonicMs();
  timer_.start(static_cast<int>(armedForMs_));
}

void TReminders::onAction(quint32 id, const QString& action) {
  const auto found = pending_.find(id);
  if (found == pending_.end()) return;
  const Pending pending = found->second;
  const bool open = action == QLatin1String("default") || action == QLatin1String("open");
  switch (pending.target) {
    case Target::Task: {
      const QDate date = toolkit::toQDate(pending.task.date);
      const QTime time = toolkit::toQTime(pending.task.time);
      if (open) emit openTask(date, time);
      if (action == QLatin1String("done")) emit markTaskDone(date, time);
      if (const auto choice = books::snoozeChoiceOf(action.toStdString()))
        snooze({0, pending.task.date, pending.task.time, {}}, *choice, pending.task);
      break;
    }
    case Target::Overdue:
      if (open) emit openOverdue();
      break;
    case Target::Date:
      if (open) emit openDates();
      if (const auto choice = books::snoozeChoiceOf(action.toStdString()))
        snooze({0, pending.event.anniversary, {}, books::eventKey(pending.event.item)}, *choice,
               {});
      break;
  }
}

void TReminders::snooze(books::SnoozedTask waiting, books::SnoozeChoice choice,
                        const books::TaskItem& timing) {
  const Moment now = nowMoment();
  waiting.due = books::snoozedUntil(choice, now, timing);
  snoozed_.add(waiting);
  saveLog();
  if (day_.day) arm(now);
}

void TReminders::announceSnoozed(Moment now) {
  // Each comes back once; a task done or deleted meanwhile stays quiet, as
  // does an important date deleted or changed.
  for (const books::SnoozedTask& waiting : snoozed_.takeDue(now)) {
    if (waiting.isEvent()) {
      announceSnoozedEvent(waiting, books::dayOf(now));
      continue;
    }
    const auto task = std::find_if(tasks_.begin(), tasks_.end(), [&](const books::TaskItem& t) {
      return t.date == waiting.date && t.time == waiting.time;
    });
    if (task != tasks_.end() && !task->done) announceTask(*task);
  }
}

void TReminders::announceSnoozedEvent(const books::SnoozedTask& waiting, format::Date today) {
  if (!options_.dates) return;
  const auto item = std::find_if(dates_.begin(), dates_.end(), [&](const books::DateItem& d) {
    return books::eventKey(d) == waiting.event;
  });
  if (item == dates_.end()) return;
  // The note as it was for the anniversary's day, its distance from today.
  for (books::AnniversaryNote note : books::anniversariesAround({*item}, waiting.date, 0)) {
    note.daysLeft = note.anniversary.day - today.day;
    announceAnniversary(note);
  }
}

void TReminders::tableReset(engine::Table& table) {
  // Re-filtering resets the table too; only opening and closing matter here
  // (a table opened with a password can now be read).
  bool& wasOpen = &table == taskTable_ ? taskTableOpen_ : datesTableOpen_;
  if (wasOpen == table.isOpen()) return;
  wasOpen = table.isOpen();
  reloadTimer_.start();
}

void TReminders::rowsInserted(engine::Table&, std::size_t, std::size_t) {
  reloadTimer_.start();
}

void TReminders::rowsRemoved(engine::Table&, std::size_t, std::size_t) {
  reloadTimer_.start();
}

void TReminders::rowChanged(engine::Table&, std::size_t) {
  reloadTimer_.start();
}

void TReminders::observedGone() {
  taskTable_ = nullptr;
  datesTable_ = nullptr;
}

}  // namespace torvelle::shell

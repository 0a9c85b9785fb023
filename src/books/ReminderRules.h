#pragma once
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "engine/format/Value.h"

namespace torvelle::books {

// A moment as the tables count it: milliseconds from 0001-01-01 00:00, so
// that a task's day and time of day compare as one number.
using Moment = std::int64_t;
inline constexpr Moment kDayMs = 86'400'000;

inline Moment momentOf(format::Date day, format::Time time) {
  return static_cast<Moment>(day.day) * kDayMs + time.msec;
}
inline format::Date dayOf(Moment moment) {
  return format::Date{static_cast<std::int32_t>(moment / kDayMs)};
}

// What the reminders need of a task record. The table's key is Date;Time,
// so those two name one task.
struct TaskItem {
  format::Date date;
  format::Time time;
  bool done = false;
  std::string task;
  std::string description;
  Moment moment() const { return momentOf(date, time); }
};

// What the reminders need of an important date record. Its key is
// Section;Date;Time.
struct DateItem {
  std::string section;
  format::Date date;
  format::Time time;
  std::string event;
};

// One anniversary to announce today.
struct AnniversaryNote {
  DateItem item;
  format::Date anniversary;  // this year's (or next year's) day of the event
  int daysLeft = 0;          // 0 on the day itself
  std::optional<int> years;  // how many years it has been, when the year is known
};

struct ReminderOptions {
  bool tasks = true;
  bool dates = true;
  int daysBefore = 0;  // 0 to 30
};

// The day of the event in `year`; 29 February falls on the 28th in other
// years, so a leap-day birthday is still remembered.
format::Date anniversaryIn(format::Date date, int year);

// Anniversaries falling on `today` or up to `daysBefore` days after it,
// each with its distance. Years are counted where the record's year lies
// before the anniversary's; an event dated in the future has none yet.
std::vector<AnniversaryNote> anniversariesAround(const std::vector<DateItem>& dates,
                                                 format::Date today, int daysBefore);

// Tasks not done whose moment lies in (after, upTo], in moment order.
std::vector<TaskItem> tasksDueBetween(const std::vector<TaskItem>& tasks, Moment after,
                                      Moment upTo);

// Tasks not done whose moment came before `now`.
int overdueTaskCount(const std::vector<TaskItem>& tasks, Moment now);

// The first moment after `after` at which a task not done falls due.
std::optional<Moment> nextTaskMoment(const std::vector<TaskItem>& tasks, Moment after);

// Names under which an announcement is remembered: a task by its key, an
// event by a digest of its key (section names may hold any character).
std::string taskKey(const TaskItem& task);
std::string eventKey(const DateItem& event);

// What was announced, per task moment and per event and day. Kept as text
// in the settings file; entries of days gone by are dropped.
class AnnouncedLog {
 public:
  // `tasks`: task keys separated by blanks. `events`: "day:key" pairs.
  void load(std::string_view tasks, std::string_view events, std::string_view overdueDay);
  std::string tasksText() const;
  std::string eventsText() const;
  std::string overdueText() const;

  bool taskAnnounced(const TaskItem& task) const;
  void markTask(const TaskItem& task);
  bool eventAnnounced(const DateItem& event, format::Date day) const;
  void markEvent(const DateItem& event, format::Date day);
  bool overdueAnnounced(format::Date day) const { return overdueDay_ == day.day; }
  void markOverdue(format::Date day) { overdueDay_ = day.day; }

  // Forgets tasks due before `today` and events announced before it: a past
  // task is only ever counted among the overdue, so its entry is not needed.
  void prune(format::Date today);

 private:
  std::set<std::string> tasks_;
  std::set<std::pair<std::int32_t, std::string>> events_;
  std::int32_t overdueDay_ = 0;
};

}  // namespace torvelle::books

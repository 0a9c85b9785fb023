#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "books/ReminderRules.h"

namespace torvelle::books {

// The ways a reminder (a task's or an important date's) can be put off,
// and the action keys the notes carry for them.
enum class SnoozeChoice { Minutes5, Minutes15, Minutes60, Tomorrow };
inline constexpr std::string_view kSnoozeActions[] = {"snooze5", "snooze15", "snooze60",
                                                      "snoozeTomorrow"};
std::optional<SnoozeChoice> snoozeChoiceOf(std::string_view action);

// When the reminder comes back: minutes from now, or tomorrow at the task's
// own time of day (at this time of day for a task set at midnight, and for
// an important date, given as a task without a time).
Moment snoozedUntil(SnoozeChoice choice, Moment now, const TaskItem& task);

// A reminder put off until `due`: a task's, named by its key (date and
// time), or an important date's, named by its event key with the day of
// the anniversary it announced in `date`.
struct SnoozedTask {
  Moment due = 0;
  format::Date date;
  format::Time time;
  std::string event{};  // eventKey() of an important date; empty for a task
  bool isEvent() const { return !event.empty(); }
  friend bool operator==(const SnoozedTask&, const SnoozedTask&) = default;
};

// The reminders put off, kept as text in the settings file so that they
// come back after a restart. Each comes back once: taking it removes it.
class SnoozeList {
 public:
  // Entries separated by blanks, "due:day:msec" for a task and
  // "due:day:e<key>" for an important date; damaged entries are dropped.
  void load(std::string_view text);
  std::string text() const;

  // A reminder put off again replaces its earlier entry.
  void add(const SnoozedTask& snoozed);
  // Removes and returns the entries due at or before `now`, earliest first.
  std::vector<SnoozedTask> takeDue(Moment now);
  std::optional<Moment> next() const;
  // The earliest day among the tasks waiting, to read them from the table.
  std::optional<format::Date> earliestTaskDay() const;
  bool empty() const { return entries_.empty(); }

 private:
  std::vector<SnoozedTask> entries_;  // by due moment
};

}  // namespace torvelle::books

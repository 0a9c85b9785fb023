#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "books/ReminderRules.h"

namespace torvelle::books {

// The ways a task's reminder can be put off, and the action keys the
// notes carry for them.
enum class SnoozeChoice { Minutes5, Minutes15, Minutes60, Tomorrow };
inline constexpr std::string_view kSnoozeActions[] = {"snooze5", "snooze15", "snooze60",
                                                      "snoozeTomorrow"};
std::optional<SnoozeChoice> snoozeChoiceOf(std::string_view action);

// When the reminder comes back: minutes from now, or tomorrow at the task's
// own time of day (at this time of day for a task set at midnight).
Moment snoozedUntil(SnoozeChoice choice, Moment now, const TaskItem& task);

// A task's reminder put off until `due`.
struct SnoozedTask {
  Moment due = 0;
  format::Date date;
  format::Time time;
  friend bool operator==(const SnoozedTask&, const SnoozedTask&) = default;
};

// The reminders put off, kept as text in the settings file so that they
// come back after a restart. Each comes back once: taking it removes it.
class SnoozeList {
 public:
  // "due:day:msec" entries separated by blanks; damaged entries are dropped.
  void load(std::string_view text);
  std::string text() const;

  // A task put off again replaces its earlier entry.
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

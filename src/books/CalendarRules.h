#pragma once
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "engine/format/TableFile.h"
#include "engine/format/Value.h"
#include "recurrence/RepeatSet.h"

namespace torvelle::engine {
class Table;
}

namespace torvelle::books {

// A task as the calendar and the printed sheets show it.
struct CalendarTask {
  format::Date date;
  format::Time time;
  std::string task;
  bool done = false;
  bool repeating = false;  // an occurrence of a repeating task
};

// A repeating task as stored: its first day, time and text, and what makes
// it repeat. The days it falls on are worked out for the span asked for.
struct CalendarSeries {
  CalendarTask first;
  recurrence::RepeatSet repeat;
};

// An important date; it falls on its day every year.
struct CalendarEvent {
  std::string section;
  format::Date date;
  format::Time time;
  std::string event;
};

// An event on one day of one year, with the years since its first one when
// its year is known and lies before.
struct DayEvent {
  const CalendarEvent* event = nullptr;
  std::optional<int> years;
};

struct CalendarDay {
  format::Date day;
  std::vector<CalendarTask> tasks;  // by time; occurrences of series too
  std::vector<DayEvent> events;     // by time, then text
};

// Monday 0 ... Sunday 6. Day 1 (0001-01-01) was a Monday.
int weekdayIndex(format::Date day);
format::Date mondayOf(format::Date day);

// The days a month grid shows: whole weeks from the Monday on or before the
// 1st to the Sunday on or after the last day, so 4 to 6 rows.
struct MonthGrid {
  format::Date first;
  int weeks = 0;
  format::Date last() const { return format::Date{first.day + weeks * 7 - 1}; }
};
MonthGrid monthGrid(int year, int month);

// The tasks and important dates the calendar draws from, read once and
// indexed so that any run of days is collected without a full pass.
class CalendarData {
 public:
  CalendarData() = default;
  CalendarData(std::vector<CalendarTask> tasks, std::vector<CalendarEvent> events,
               std::vector<CalendarSeries> series = {});

  // Every day from `from` to `to` (inclusive) with what falls on it. The one
  // place where items are chosen for days: each repeating task is expanded
  // over these days only, with its exceptions and its done occurrences.
  std::vector<CalendarDay> days(format::Date from, format::Date to) const;

  std::size_t taskCount() const { return tasks_.size() + series_.size(); }
  std::size_t eventCount() const { return events_.size(); }

 private:
  void addOccurrences(format::Date from, format::Date to, std::vector<CalendarDay>& days) const;

  // The series' occurrences over the last span expanded (by day), kept so
  // that a repaint, or a week inside the month shown, costs no expansion:
  // the rule walk is by far the dearest part of drawing a month. (A wider
  // span made ahead costs more per step than it saves.)
  struct Expanded {
    format::Date from, to;
    std::vector<CalendarTask> tasks;
  };
  mutable std::optional<Expanded> expanded_;

  std::vector<CalendarTask> tasks_;     // by date and time
  std::vector<CalendarSeries> series_;  // by first day
  std::vector<CalendarEvent> events_;
  // Events by day of the year as (month - 1) * 31 + (day - 1).
  std::vector<std::vector<std::size_t>> byMonthDay_;
};

// From the open tables, whatever their filters and ranges.
CalendarData calendarDataOf(const engine::Table& tasks, const engine::Table& dates);
// From the table files, read only.
CalendarData readCalendarData(const std::filesystem::path& tasksDb,
                              const std::filesystem::path& datesDb,
                              const format::OpenOptions& options);

}  // namespace torvelle::books

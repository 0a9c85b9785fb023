#include "books/CalendarRules.h"

#include <algorithm>

#include "books/ReminderRules.h"
#include "engine/FieldText.h"
#include "engine/ShippedTables.h"
#include "engine/Table.h"
#include "recurrence/Expansion.h"

namespace torvelle::books {
namespace {

constexpr std::size_t kMonthDays = 12 * 31;

std::size_t monthDaySlot(int month, int day) {
  return static_cast<std::size_t>(month - 1) * 31 + static_cast<std::size_t>(day - 1);
}

template <class T>
T get(const format::Record& record, int field) {
  if (field < 0 || static_cast<std::size_t>(field) >= record.size()) return T{};
  const T* value = std::get_if<T>(&record[static_cast<std::size_t>(field)]);
  return value ? *value : T{};
}

// Field positions by name, -1 where the table lacks one.
template <class Lookup>
std::vector<int> positions(const Lookup& lookup, std::initializer_list<const char*> names) {
  std::vector<int> found;
  for (const char* name : names) found.push_back(lookup(name));
  return found;
}

// Tasks as read, the repeating ones apart.
struct TaskItems {
  std::vector<CalendarTask> single;
  std::vector<CalendarSeries> series;
};

void addTask(const format::Record& record, const std::vector<int>& f, TaskItems& items) {
  CalendarTask task{get<format::Date>(record, f[0]), get<format::Time>(record, f[1]),
                    get<std::string>(record, f[2]), get<bool>(record, f[3]), false};
  const auto rule = get<std::string>(record, f[4]);
  const auto exceptions = get<std::string>(record, f[5]);
  if (!rule.empty() || !exceptions.empty()) {
    recurrence::RepeatSet set = recurrence::parseRepeatSet(rule, exceptions);
    if (set.repeats() && task.date.day > 0) {
      // Done is kept per occurrence; the record's own box says nothing here.
      task.done = false;
      items.series.push_back({std::move(task), std::move(set)});
      return;
    }
  }
  items.single.push_back(std::move(task));
}

CalendarEvent eventOf(const format::Record& record, const std::vector<int>& f) {
  return {get<std::string>(record, f[0]), get<format::Date>(record, f[1]),
          get<format::Time>(record, f[2]), get<std::string>(record, f[3])};
}

const std::initializer_list<const char*> kTaskFields{engine::kDateField, engine::kTimeField,
                                                     engine::kTaskField, engine::kDoneField,
                                                     engine::kRuleField, engine::kExceptionsField};

// The first day a series can show anything on: a moved occurrence may lie
// before the series' own start.
format::Date earliestOf(const CalendarSeries& s) {
  format::Date first = s.first.date;
  for (const auto& [original, moved] : s.repeat.moved) first = std::min(first, moved.date);
  return first;
}
const std::initializer_list<const char*> kEventFields{engine::kSectionField, engine::kDateField,
                                                      engine::kTimeField, engine::kEventField};

}  // namespace

int weekdayIndex(format::Date day) {
  const int offset = (day.day - 1) % 7;
  return offset < 0 ? offset + 7 : offset;
}

format::Date mondayOf(format::Date day) {
  return format::Date{day.day - weekdayIndex(day)};
}

MonthGrid monthGrid(int year, int month) {
  const format::Date first = engine::dayFromCivil(year, month, 1).value_or(format::Date{1});
  const int nextYear = month == 12 ? year + 1 : year;
  const int nextMonth = month == 12 ? 1 : month + 1;
  const format::Date next =
      engine::dayFromCivil(nextYear, nextMonth, 1).value_or(format::Date{first.day + 31});
  const format::Date start = mondayOf(first);
  const int shown = next.day - start.day;
  return {start, (shown + 6) / 7};
}

CalendarData::CalendarData(std::vector<CalendarTask> tasks, std::vector<CalendarEvent> events,
                           std::vector<CalendarSeries> series)
    : tasks_(std::move(tasks)),
      series_(std::move(series)),
      events_(std::move(events)),
      byMonthDay_(kMonthDays) {
  // A task without a day falls on none.
  std::erase_if(tasks_, [](const CalendarTask& t) { return t.date.day <= 0; });
  std::stable_sort(tasks_.begin(), tasks_.end(), [](const CalendarTask& a, const CalendarTask& b) {
    return a.date != b.date ? a.date < b.date : a.time < b.time;
  });
  std::erase_if(series_, [](const CalendarSeries& s) { return s.first.date.day <= 0; });
  std::stable_sort(series_.begin(), series_.end(),
                   [](const CalendarSeries& a, const CalendarSeries& b) {
                     return earliestOf(a) < earliestOf(b);
                   });
  std::stable_sort(events_.begin(), events_.end(),
                   [](const CalendarEvent& a, const CalendarEvent& b) {
                     return a.time != b.time ? a.time < b.time : a.event < b.event;
                   });
  for (std::size_t i = 0; i < events_.size(); ++i) {
    if (events_[i].date.day <= 0) continue;
    const engine::CivilDate c = engine::civilFromDay(events_[i].date.day);
    byMonthDay_[monthDaySlot(c.month, c.day)].push_back(i);
  }
}

std::vector<CalendarDay> CalendarData::days(format::Date from, format::Date to) const {
  std::vector<CalendarDay> result;
  if (to < from) return result;
  result.reserve(static_cast<std::size_t>(to.day - from.day) + 1);
  auto task =
      std::lower_bound(tasks_.begin(), tasks_.end(), from,
                       [](const CalendarTask& t, format::Date day) { return t.date < day; });
  for (format::Date day = from; day <= to; day.day++) {
    CalendarDay& out = result.emplace_back();
    out.day = day;
    for (; task != tasks_.end() && task->date == day; ++task) out.tasks.push_back(*task);
    if (byMonthDay_.empty()) continue;
    const engine::CivilDate c = engine::civilFromDay(day.day);
    const auto take = [&](std::size_t slot) {
      for (const std::size_t i : byMonthDay_[slot]) {
        const CalendarEvent& e = events_[i];
        // The same day rule as the reminders: a leap-day event falls on the
        // 28th in other years; an event dated later has not happened yet.
        if (anniversaryIn(e.date, c.year) != day || day < e.date) continue;
        const int since = c.year - engine::civilFromDay(e.date.day).year;
        out.events.push_back({&e, since > 0 ? std::optional<int>(since) : std::nullopt});
      }
    };
    take(monthDaySlot(c.month, c.day));
    if (c.month == 2 && c.day == 28) take(monthDaySlot(2, 29));
  }
  addOccurrences(from, to, result);
  return result;
}

void CalendarData::addOccurrences(format::Date from, format::Date to,
                                  std::vector<CalendarDay>& days) const {
  if (series_.empty()) return;
  if (!expanded_ || from < expanded_->from || expanded_->to < to) {
    Expanded e{from, to, {}};
    for (const CalendarSeries& s : series_) {
      if (e.to < earliestOf(s)) break;  // this one and all after begin past the span
      for (const recurrence::Occurrence& o :
           recurrence::expand(s.repeat, s.first.date, s.first.time, e.from, e.to).occurrences) {
        CalendarTask& task = e.tasks.emplace_back(s.first);
        task.date = o.date;
        task.time = o.time.value_or(s.first.time);
        if (!o.text.empty()) task.task = o.text;
        task.done = o.done;
        task.repeating = true;
      }
    }
    std::stable_sort(e.tasks.begin(), e.tasks.end(),
                     [](const CalendarTask& a, const CalendarTask& b) { return a.date < b.date; });
    expanded_ = std::move(e);
  }
  std::vector<bool> joined(days.size(), false);
  auto task =
      std::lower_bound(expanded_->tasks.begin(), expanded_->tasks.end(), from,
                       [](const CalendarTask& t, format::Date day) { return t.date < day; });
  for (; task != expanded_->tasks.end() && task->date <= to; ++task) {
    const auto at = static_cast<std::size_t>(task->date.day - from.day);
    days[at].tasks.push_back(*task);
    joined[at] = true;
  }
  for (std::size_t i = 0; i < days.size(); ++i)
    if (joined[i])
      std::stable_sort(
          days[i].tasks.begin(), days[i].tasks.end(),
          [](const CalendarTask& a, const CalendarTask& b) { return a.time < b.time; });
}

CalendarData calendarDataOf(const engine::Table& tasks, const engine::Table& dates) {
  TaskItems taskItems;
  std::vector<CalendarEvent> eventItems;
  const auto byName = [](const engine::Table& t) {
    return [&t](const char* name) { return t.fieldIndex(name); };
  };
  if (tasks.isOpen()) {
    const std::vector<int> f = positions(byName(tasks), kTaskFields);
    tasks.forEachStored(
        [&](const engine::RecordView& view) { addTask(view.values(), f, taskItems); });
  }
  if (dates.isOpen()) {
    const std::vector<int> f = positions(byName(dates), kEventFields);
    dates.forEachStored(
        [&](const engine::RecordView& view) { eventItems.push_back(eventOf(view.values(), f)); });
  }
  return {std::move(taskItems.single), std::move(eventItems), std::move(taskItems.series)};
}

namespace {

template <class Take>
void readItems(const std::filesystem::path& path, format::OpenOptions options,
               std::initializer_list<const char*> names, Take take) {
  options.writable = false;
  const auto file = format::TableFile::open(path, options);
  const auto& fields = file->info().fields;
  const std::vector<int> f = positions(
      [&](const char* name) {
        for (std::size_t i = 0; i < fields.size(); ++i)
          if (fields[i].name == name) return static_cast<int>(i);
        return -1;
      },
      names);
  for (const format::Record& record : file->readAll()) take(record, f);
}

}  // namespace

CalendarData readCalendarData(const std::filesystem::path& tasksDb,
                              const std::filesystem::path& datesDb,
                              const format::OpenOptions& options) {
  TaskItems tasks;
  std::vector<CalendarEvent> events;
  readItems(tasksDb, options, kTaskFields,
            [&](const format::Record& r, const std::vector<int>& f) { addTask(r, f, tasks); });
  readItems(
      datesDb, options, kEventFields,
      [&](const format::Record& r, const std::vector<int>& f) { events.push_back(eventOf(r, f)); });
  return {std::move(tasks.single), std::move(events), std::move(tasks.series)};
}

}  // namespace torvelle::books

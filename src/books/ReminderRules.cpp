#include "books/ReminderRules.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "engine/FieldText.h"

namespace torvelle::books {
namespace {

bool isLeap(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

template <class F>
void forEachWord(std::string_view text, F&& f) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t end = std::min(text.find(' ', pos), text.size());
    if (end > pos) f(text.substr(pos, end - pos));
    pos = end + 1;
  }
}

std::optional<long long> parseNumber(std::string_view text) {
  long long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace

format::Date anniversaryIn(format::Date date, int year) {
  const engine::CivilDate c = engine::civilFromDay(date.day);
  const int day = (c.month == 2 && c.day == 29 && !isLeap(year)) ? 28 : c.day;
  return engine::dayFromCivil(year, c.month, day).value_or(format::Date{});
}

std::vector<AnniversaryNote> anniversariesAround(const std::vector<DateItem>& dates,
                                                 format::Date today, int daysBefore) {
  std::vector<AnniversaryNote> notes;
  const int year = engine::civilFromDay(today.day).year;
  for (const DateItem& item : dates) {
    if (item.date.day <= 0) continue;  // no date, nothing to remember
    // The window may reach into next year: 30 December looks at 2 January.
    for (const int y : {year, year + 1}) {
      const format::Date day = anniversaryIn(item.date, y);
      const int left = day.day - today.day;
      if (day.day == 0 || left < 0 || left > daysBefore) continue;
      AnniversaryNote note{item, day, left, std::nullopt};
      const int since = y - engine::civilFromDay(item.date.day).year;
      if (since > 0) note.years = since;
      if (item.date <= day) notes.push_back(std::move(note));
      break;
    }
  }
  return notes;
}

std::vector<TaskItem> tasksDueBetween(const std::vector<TaskItem>& tasks, Moment after,
                                      Moment upTo) {
  std::vector<TaskItem> due;
  for (const TaskItem& task : tasks)
    if (!task.done && task.moment() > after && task.moment() <= upTo) due.push_back(task);
  std::stable_sort(due.begin(), due.end(),
                   [](const TaskItem& a, const TaskItem& b) { return a.moment() < b.moment(); });
  return due;
}

int overdueTaskCount(const std::vector<TaskItem>& tasks, Moment now) {
  return static_cast<int>(std::count_if(tasks.begin(), tasks.end(), [now](const TaskItem& t) {
    return !t.done && t.moment() < now;
  }));
}

std::optional<Moment> nextTaskMoment(const std::vector<TaskItem>& tasks, Moment after) {
  std::optional<Moment> next;
  for (const TaskItem& task : tasks)
    if (!task.done && task.moment() > after && (!next || task.moment() < *next))
      next = task.moment();
  return next;
}

std::string taskKey(const TaskItem& task) {
  return std::to_string(task.moment());
}

std::string eventKey(const DateItem& event) {
  // FNV-1a over the key fields; a clash would at worst silence one event
  // for one day.
  std::uint64_t hash = 14695981039346656037ull;
  const auto mix = [&hash](std::string_view bytes) {
    for (const unsigned char c : bytes) {
      hash ^= c;
      hash *= 1099511628211ull;
    }
    hash ^= 0x1f;
    hash *= 1099511628211ull;
  };
  mix(event.section);
  mix(std::to_string(event.date.day));
  mix(std::to_string(event.time.msec));
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
  return text;
}

void AnnouncedLog::load(std::string_view tasks, std::string_view events,
                        std::string_view overdueDay) {
  tasks_.clear();
  events_.clear();
  forEachWord(tasks, [this](std::string_view word) {
    if (parseNumber(word)) tasks_.emplace(word);
  });
  forEachWord(events, [this](std::string_view word) {
    const std::size_t colon = word.find(':');
    if (colon == std::string_view::npos) return;
    if (const auto day = parseNumber(word.substr(0, colon)))
      events_.emplace(static_cast<std::int32_t>(*day), std::string(word.substr(colon + 1)));
  });
  overdueDay_ = static_cast<std::int32_t>(parseNumber(overdueDay).value_or(0));
}

std::string AnnouncedLog::tasksText() const {
  std::string text;
  for (const std::string& key : tasks_) text += (text.empty() ? "" : " ") + key;
  return text;
}

std::string AnnouncedLog::eventsText() const {
  std::string text;
  for (const auto& [day, key] : events_)
    text += (text.empty() ? "" : " ") + std::to_string(day) + ":" + key;
  return text;
}

std::string AnnouncedLog::overdueText() const {
  return overdueDay_ ? std::to_string(overdueDay_) : std::string();
}

bool AnnouncedLog::taskAnnounced(const TaskItem& task) const {
  return tasks_.contains(taskKey(task));
}

void AnnouncedLog::markTask(const TaskItem& task) {
  tasks_.insert(taskKey(task));
}

bool AnnouncedLog::eventAnnounced(const DateItem& event, format::Date day) const {
  return events_.contains({day.day, eventKey(event)});
}

void AnnouncedLog::markEvent(const DateItem& event, format::Date day) {
  events_.emplace(day.day, eventKey(event));
}

void AnnouncedLog::prune(format::Date today) {
  const Moment start = momentOf(today, format::Time{});
  std::erase_if(tasks_, [start](const std::string& key) {
    const auto moment = parseNumber(key);
    return !moment || *moment < start;
  });
  std::erase_if(events_, [today](const auto& entry) { return entry.first < today.day; });
}

}  // namespace torvelle::books

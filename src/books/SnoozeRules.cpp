#include "books/SnoozeRules.h"

#include <algorithm>
#include <charconv>

namespace torvelle::books {
namespace {

constexpr Moment kMinuteMs = 60'000;

template <class T>
bool parseNumber(std::string_view text, T& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

std::optional<SnoozedTask> parseEntry(std::string_view word) {
  const std::size_t a = word.find(':');
  const std::size_t b = a == std::string_view::npos ? a : word.find(':', a + 1);
  if (b == std::string_view::npos) return std::nullopt;
  SnoozedTask entry;
  if (!parseNumber(word.substr(0, a), entry.due) ||
      !parseNumber(word.substr(a + 1, b - a - 1), entry.date.day) || entry.date.day <= 0 ||
      entry.due <= 0)
    return std::nullopt;
  const std::string_view last = word.substr(b + 1);
  if (last.starts_with('e')) {
    entry.event = std::string(last.substr(1));
    const bool named = !entry.event.empty() && entry.event.find_first_of(": ") == std::string::npos;
    return named ? std::optional(entry) : std::nullopt;
  }
  if (!parseNumber(last, entry.time.msec)) return std::nullopt;
  return entry;
}

}  // namespace

std::optional<SnoozeChoice> snoozeChoiceOf(std::string_view action) {
  for (std::size_t i = 0; i < std::size(kSnoozeActions); ++i)
    if (action == kSnoozeActions[i]) return static_cast<SnoozeChoice>(i);
  return std::nullopt;
}

Moment snoozedUntil(SnoozeChoice choice, Moment now, const TaskItem& task) {
  switch (choice) {
    case SnoozeChoice::Minutes5:
      return now + 5 * kMinuteMs;
    case SnoozeChoice::Minutes15:
      return now + 15 * kMinuteMs;
    case SnoozeChoice::Minutes60:
      return now + 60 * kMinuteMs;
    case SnoozeChoice::Tomorrow:
      break;
  }
  const format::Date tomorrow{dayOf(now).day + 1};
  const Moment timeOfDay = task.time.msec > 0 ? task.time.msec : now % kDayMs;
  return momentOf(tomorrow, format::Time{}) + timeOfDay;
}

void SnoozeList::load(std::string_view text) {
  entries_.clear();
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t end = std::min(text.find(' ', pos), text.size());
    if (const auto entry = parseEntry(text.substr(pos, end - pos))) add(*entry);
    pos = end + 1;
  }
}

std::string SnoozeList::text() const {
  std::string out;
  for (const SnoozedTask& e : entries_) {
    if (!out.empty()) out += ' ';
    out += std::to_string(e.due) + ':' + std::to_string(e.date.day) + ':' +
           (e.isEvent() ? 'e' + e.event : std::to_string(e.time.msec));
  }
  return out;
}

void SnoozeList::add(const SnoozedTask& snoozed) {
  std::erase_if(entries_, [&](const SnoozedTask& e) {
    return e.isEvent() ? e.event == snoozed.event
                       : !snoozed.isEvent() && e.date == snoozed.date && e.time == snoozed.time;
  });
  const auto at =
      std::upper_bound(entries_.begin(), entries_.end(), snoozed,
                       [](const SnoozedTask& a, const SnoozedTask& b) { return a.due < b.due; });
  entries_.insert(at, snoozed);
}

std::vector<SnoozedTask> SnoozeList::takeDue(Moment now) {
  const auto end = std::find_if(entries_.begin(), entries_.end(),
                                [now](const SnoozedTask& e) { return e.due > now; });
  std::vector<SnoozedTask> due(entries_.begin(), end);
  entries_.erase(entries_.begin(), end);
  return due;
}

std::optional<Moment> SnoozeList::next() const {
  if (entries_.empty()) return std::nullopt;
  return entries_.front().due;
}

std::optional<format::Date> SnoozeList::earliestTaskDay() const {
  std::optional<format::Date> earliest;
  for (const SnoozedTask& e : entries_)
    if (!e.isEvent() && (!earliest || e.date < *earliest)) earliest = e.date;
  return earliest;
}

}  // namespace torvelle::books

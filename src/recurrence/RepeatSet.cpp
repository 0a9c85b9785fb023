#include "recurrence/RepeatSet.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "support/CivilDate.h"

namespace torvelle::recurrence {

namespace {

std::optional<int> digits(std::string_view text) {
  if (text.empty()) return std::nullopt;
  int value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

std::string basicTime(Time time) {
  const auto seconds = static_cast<unsigned>(std::clamp(time.msec / 1000, 0, 86399));
  char text[16];
  std::snprintf(text, sizeof text, "%02u%02u%02u", seconds / 3600, seconds / 60 % 60, seconds % 60);
  return text;
}

std::optional<Time> parseBasicTime(std::string_view text) {
  const auto h = digits(text.substr(0, 2)), m = digits(text.substr(2, 2)),
             s = text.size() >= 6 ? digits(text.substr(4, 2)) : std::optional<int>(0);
  if (text.size() < 4 || !h || !m || !s || *h > 23 || *m > 59 || *s > 59) return std::nullopt;
  return Time{((*h * 60 + *m) * 60 + *s) * 1000};
}

// "20260127T093000 New text" after MOVED:20260126>
std::optional<MovedOccurrence> parseMoved(std::string_view value) {
  const auto space = value.find(' ');
  const std::string_view when = value.substr(0, space);
  MovedOccurrence moved;
  const auto date = parseBasicDate(when.substr(0, 8));
  if (!date) return std::nullopt;
  moved.date = *date;
  if (when.size() > 9 && when[8] == 'T') moved.time = parseBasicTime(when.substr(9));
  if (space != std::string_view::npos) moved.text = std::string(value.substr(space + 1));
  return moved;
}

void parseLine(std::string_view line, RepeatSet& set) {
  const auto colon = line.find(':');
  if (colon == std::string_view::npos) return;
  const std::string_view name = line.substr(0, colon), value = line.substr(colon + 1);
  if (name == "MOVED") {
    const auto arrow = value.find('>');
    const auto original = parseBasicDate(value.substr(0, arrow));
    if (!original || arrow == std::string_view::npos) return;
    if (auto moved = parseMoved(value.substr(arrow + 1))) set.moved[*original] = *moved;
    return;
  }
  const auto date = parseBasicDate(value);
  if (!date) return;
  if (name == "RDATE") set.extraDates.insert(*date);
  if (name == "EXDATE") set.excluded.insert(*date);
  if (name == "DONE") set.done.insert(*date);
}

}  // namespace

std::string basicDate(Date date) {
  const auto civil = support::civilFromDayNumber(date.day);
  char text[16];
  std::snprintf(text, sizeof text, "%04d%02u%02u", static_cast<int>(civil.year), civil.month,
                civil.day);
  return text;
}

std::optional<Date> parseBasicDate(std::string_view text) {
  if (text.size() != 8) return std::nullopt;
  const auto y = digits(text.substr(0, 4)), m = digits(text.substr(4, 2)),
             d = digits(text.substr(6, 2));
  if (!y || !m || !d || !support::isCivilDate(*y, *m, *d)) return std::nullopt;
  return Date{static_cast<std::int32_t>(
      support::dayNumberFromCivil(*y, static_cast<unsigned>(*m), static_cast<unsigned>(*d)))};
}

std::string exceptionsText(const RepeatSet& set) {
  std::string text;
  for (const Date d : set.extraDates) text += "RDATE:" + basicDate(d) + "\n";
  for (const Date d : set.excluded) text += "EXDATE:" + basicDate(d) + "\n";
  for (const Date d : set.done) text += "DONE:" + basicDate(d) + "\n";
  for (const auto& [original, moved] : set.moved) {
    text += "MOVED:" + basicDate(original) + ">" + basicDate(moved.date);
    if (moved.time) text += "T" + basicTime(*moved.time);
    if (!moved.text.empty()) {
      std::string line = moved.text;  // one line per entry
      std::replace(line.begin(), line.end(), '\n', ' ');
      std::replace(line.begin(), line.end(), '\r', ' ');
      text += " " + line;
    }
    text += "\n";
  }
  return text;
}

RepeatSet parseRepeatSet(const std::string& rule, const std::string& exceptions) {
  RepeatSet set;
  set.rule = rule;
  std::size_t start = 0;
  while (start < exceptions.size()) {
    auto end = exceptions.find('\n', start);
    if (end == std::string::npos) end = exceptions.size();
    std::string_view line(exceptions.data() + start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    parseLine(line, set);
    start = end + 1;
  }
  return set;
}

}  // namespace torvelle::recurrence

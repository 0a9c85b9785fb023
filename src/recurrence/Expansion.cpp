#include "recurrence/Expansion.h"

#include <libical/ical.h>

#include <algorithm>
#include <memory>

#include "support/CivilDate.h"

namespace torvelle::recurrence {

namespace {

icaltimetype icalDate(Date date) {
  const auto civil = support::civilFromDayNumber(date.day);
  // Not icaltime_null_date(): its clock fields are -1, which stalls the
  // rule iterator on the first day.
  icaltimetype t = icaltime_null_time();
  t.year = static_cast<int>(civil.year);
  t.month = static_cast<int>(civil.month);
  t.day = static_cast<int>(civil.day);
  t.is_date = 1;
  return t;
}

Date dateOf(const icaltimetype& t) {
  return Date{static_cast<std::int32_t>(support::dayNumberFromCivil(
      t.year, static_cast<unsigned>(t.month), static_cast<unsigned>(t.day)))};
}

struct IteratorFree {
  void operator()(icalrecur_iterator* it) const { icalrecur_iterator_free(it); }
};

std::optional<icalrecurrencetype> parsedRule(const std::string& rule) {
  if (rule.empty()) return std::nullopt;
  icalerror_clear_errno();
  const icalrecurrencetype parsed = icalrecurrencetype_from_string(rule.c_str());
  if (parsed.freq == ICAL_NO_RECURRENCE || icalerrno != ICAL_NO_ERROR) {
    icalerror_clear_errno();
    return std::nullopt;
  }
  return parsed;
}

// The days the rule alone gives in [from, to]; dates only, since a table
// holds one time per record.
std::vector<Date> ruleDays(const icalrecurrencetype& rule, Date start, Date from, Date to,
                           bool& cutShort) {
  std::vector<Date> days;
  const std::unique_ptr<icalrecur_iterator, IteratorFree> it(
      icalrecur_iterator_new(rule, icalDate(start)));
  if (!it) return days;
  // Without a count nothing before the span matters: libical jumps there
  // instead of walking every occurrence since the start.
  if (rule.count == 0 && from.day > start.day + 1) {
    icalerror_clear_errno();
    if (icalrecur_iterator_set_start(it.get(), icalDate(from)) == 0) icalerror_clear_errno();
  }
  for (int step = 0;; ++step) {
    if (step == kMaxSteps) {
      cutShort = true;
      break;
    }
    const icaltimetype next = icalrecur_iterator_next(it.get());
    if (icaltime_is_null_time(next)) break;
    const Date day = dateOf(next);
    if (day > to) break;
    if (day >= from && (days.empty() || days.back() != day)) days.push_back(day);
  }
  return days;
}

Occurrence occurrenceOn(const RepeatSet& set, Date original, std::optional<Time> time) {
  Occurrence o;
  o.original = original;
  o.date = original;
  o.time = time;
  o.done = set.done.contains(original);
  if (const auto it = set.moved.find(original); it != set.moved.end()) {
    o.moved = true;
    o.date = it->second.date;
    if (it->second.time) o.time = it->second.time;
    o.text = it->second.text;
  }
  return o;
}

}  // namespace

RuleState ruleState(const std::string& rule) {
  if (rule.empty()) return RuleState::None;
  const auto parsed = parsedRule(rule);
  if (!parsed) return RuleState::Invalid;
  return parsed->freq < ICAL_DAILY_RECURRENCE ? RuleState::TooDense : RuleState::Usable;
}

Expansion expand(const RepeatSet& set, Date start, std::optional<Time> time, Date from, Date to) {
  Expansion out;
  out.state = ruleState(set.rule);
  if (to < from) return out;
  // A moved occurrence may land in the span from a day outside it.
  Date widerFrom = from, widerTo = to;
  for (const auto& [original, moved] : set.moved) {
    if (moved.date >= from && moved.date <= to) {
      widerFrom = std::min(widerFrom, original);
      widerTo = std::max(widerTo, original);
    }
  }
  std::vector<Date> days;
  if (out.state == RuleState::Usable)
    days = ruleDays(*parsedRule(set.rule), start, widerFrom, widerTo, out.cutShort);
  // The series' own day is always its first occurrence, also where the
  // rule alone would not give it (libical leaves such a start out).
  if (start >= widerFrom && start <= widerTo) days.push_back(start);
  for (const Date d : set.extraDates)
    if (d >= widerFrom && d <= widerTo) days.push_back(d);
  std::sort(days.begin(), days.end());
  days.erase(std::unique(days.begin(), days.end()), days.end());
  for (const Date d : days) {
    if (set.excluded.contains(d)) continue;
    Occurrence o = occurrenceOn(set, d, time);
    if (o.date >= from && o.date <= to) out.occurrences.push_back(std::move(o));
  }
  std::stable_sort(out.occurrences.begin(), out.occurrences.end(),
                   [](const Occurrence& a, const Occurrence& b) { return a.date < b.date; });
  return out;
}

std::optional<Occurrence> nextOccurrence(const RepeatSet& set, Date start, std::optional<Time> time,
                                         Date day, int horizonDays) {
  // Looked for a year at a time, so that a near occurrence costs little.
  for (int offset = 0; offset < horizonDays; offset += 366) {
    const Date from{day.day + offset};
    const Date to{std::min(day.day + offset + 365, day.day + horizonDays)};
    const Expansion e = expand(set, start, time, from, to);
    if (!e.occurrences.empty()) return e.occurrences.front();
    if (e.cutShort || e.state != RuleState::Usable) break;
  }
  return std::nullopt;
}

std::string canonicalRule(const std::string& rule) {
  const auto parsed = parsedRule(rule);
  if (!parsed) return rule;
  char* text = icalrecurrencetype_as_string_r(const_cast<icalrecurrencetype*>(&*parsed));
  std::string out = text ? text : rule;
  icalmemory_free_buffer(text);
  return out;
}

std::string ruleEndingBefore(const std::string& rule, Date day) {
  auto parsed = parsedRule(rule);
  if (!parsed) return rule;
  parsed->count = 0;
  parsed->until = icalDate(Date{day.day - 1});
  char* text = icalrecurrencetype_as_string_r(&*parsed);
  std::string out = text ? text : rule;
  icalmemory_free_buffer(text);
  return out;
}

}  // namespace torvelle::recurrence

#include "exchange/ICalRepeat.h"

#include <algorithm>
#include <ctime>
#include <optional>
#include <utility>

#include "exchange/Books.h"
#include "recurrence/RecordSeries.h"
#include "support/CivilDate.h"

namespace torvelle::exchange {

namespace {

using recurrence::Date;
using recurrence::Time;

std::optional<Date> dayOf(icaltimetype t) {
  if (icaltime_is_null_time(t)) return std::nullopt;
  t = wallClock(t);
  if (!support::isCivilDate(t.year, t.month, t.day)) return std::nullopt;
  return Date{static_cast<std::int32_t>(support::dayNumberFromCivil(
      t.year, static_cast<unsigned>(t.month), static_cast<unsigned>(t.day)))};
}

std::optional<Time> timeOfDay(icaltimetype t) {
  if (icaltime_is_null_time(t) || t.is_date) return std::nullopt;
  t = wallClock(t);
  return Time{((t.hour * 60 + t.minute) * 60 + t.second) * 1000};
}

icaltimetype icalMoment(Date date, std::optional<Time> time) {
  const auto civil = support::civilFromDayNumber(date.day);
  // Not icaltime_null_date(): its clock fields are -1, which stalls the
  // rule iterator on the first day.
  icaltimetype t = icaltime_null_time();
  t.year = static_cast<int>(civil.year);
  t.month = static_cast<int>(civil.month);
  t.day = static_cast<int>(civil.day);
  t.is_date = 1;
  if (time) {
    t.is_date = 0;
    t.hour = time->msec / 3600000;
    t.minute = time->msec / 60000 % 60;
    t.second = time->msec / 1000 % 60;
  }
  return t;
}

// Where the series starts: DTSTART anchors a rule; a to-do without one uses
// its due moment.
icaltimetype anchorOf(icalcomponent* c) {
  const icaltimetype start = icalcomponent_get_dtstart(c);
  if (!icaltime_is_null_time(start)) return start;
  return icalcomponent_isa(c) == ICAL_VTODO_COMPONENT ? icalcomponent_get_due(c) : start;
}

void readDates(icalcomponent* c, recurrence::RepeatSet& set) {
  for (auto* p = icalcomponent_get_first_property(c, ICAL_RDATE_PROPERTY); p;
       p = icalcomponent_get_next_property(c, ICAL_RDATE_PROPERTY)) {
    const icaldatetimeperiodtype value = icalproperty_get_rdate(p);
    const icaltimetype t = icaltime_is_null_time(value.time) ? value.period.start : value.time;
    if (const auto d = dayOf(t)) set.extraDates.insert(*d);
  }
  for (auto* p = icalcomponent_get_first_property(c, ICAL_EXDATE_PROPERTY); p;
       p = icalcomponent_get_next_property(c, ICAL_EXDATE_PROPERTY))
    if (const auto d = dayOf(icalproperty_get_exdate(p))) set.excluded.insert(*d);
}

// An instance says only what differs from its series: its day, its time, its
// text, or that it is done or cancelled.
void readOverride(icalcomponent* o, const std::string& seriesText, std::optional<Time> seriesTime,
                  recurrence::RepeatSet& set) {
  const auto original = dayOf(icalcomponent_get_recurrenceid(o));
  if (!original) return;
  if (icalcomponent_get_status(o) == ICAL_STATUS_CANCELLED) {
    set.excluded.insert(*original);
    return;
  }
  if (icalcomponent_get_status(o) == ICAL_STATUS_COMPLETED) set.done.insert(*original);
  const icaltimetype when = anchorOf(o);
  recurrence::MovedOccurrence moved{dayOf(when).value_or(*original), timeOfDay(when), {}};
  if (moved.time == seriesTime) moved.time.reset();
  const char* summary = icalcomponent_get_summary(o);
  if (summary && seriesText != summary) moved.text = summary;
  if (moved.date != *original || !moved.text.empty() || moved.time) set.moved[*original] = moved;
}

void setField(format::Record& record, int field, format::Value value) {
  if (field >= 0 && static_cast<std::size_t>(field) < record.size())
    record[static_cast<std::size_t>(field)] = std::move(value);
}

icalcomponent* overrideOf(icalcomponent* c, const recurrence::Occurrence& o,
                          std::optional<Time> seriesTime) {
  icalcomponent* instance = icalcomponent_new(icalcomponent_isa(c));
  icalcomponent_set_uid(instance, icalcomponent_get_uid(c));
  icalcomponent_add_property(
      instance,
      icalproperty_new_dtstamp(icaltime_current_time_with_zone(icaltimezone_get_utc_timezone())));
  icalcomponent_set_recurrenceid(instance, icalMoment(o.original, seriesTime));
  const icaltimetype when = icalMoment(o.date, o.time);
  icalcomponent_set_dtstart(instance, when);
  if (icalcomponent_isa(c) == ICAL_VTODO_COMPONENT) {
    icalcomponent_set_due(instance, when);
    icalcomponent_set_status(instance, o.done ? ICAL_STATUS_COMPLETED : ICAL_STATUS_NEEDSACTION);
  }
  const char* summary = icalcomponent_get_summary(c);
  const std::string text = !o.text.empty() ? o.text : summary ? summary : "";
  if (!text.empty()) icalcomponent_set_summary(instance, text.c_str());
  return instance;
}

}  // namespace

// A zoned or UTC moment is taken at the local wall clock, as the reader of
// single items does.
icaltimetype wallClock(icaltimetype t) {
  if (t.is_date || !(icaltime_is_utc(t) || t.zone)) return t;
  // libical expands a zone's rules up to the year converted to: a year far
  // from now costs time without end, so such a moment is taken as written.
  if (t.year < 1800 || t.year > 2200) return t;
  const std::time_t seconds = icaltime_as_timet_with_zone(t, t.zone);
  std::tm local{};
  localtime_r(&seconds, &local);
  t.year = local.tm_year + 1900;
  t.month = local.tm_mon + 1;
  t.day = local.tm_mday;
  t.hour = local.tm_hour;
  t.minute = local.tm_min;
  t.second = local.tm_sec;
  t.zone = nullptr;
  return t;
}

namespace {

std::size_t entries(const short* list, std::size_t size) {
  std::size_t n = 0;
  while (n < size && list[n] != ICAL_RECURRENCE_ARRAY_MAX) ++n;
  return n;
}

// libical expands a zone into every change from each observance's start up
// to the latest year converted (plus twenty), and wallClock converts none
// later than 2200. Real zones change twice a year by yearly rules: a few
// thousand changes even for a zone written from 1601 on.
constexpr long long kLastExpandedYear = 2220;
constexpr long long kMaxZoneChanges = 20'000;
constexpr long long kRunaway = kMaxZoneChanges + 1;

// At most how many days a yearly rule names in one year. A week day with a
// position ("-1SU") is one day of each month named, or of the year when no
// month is; without one it falls up to five times a month.
long long changesAYear(const icalrecurrencetype& rule) {
  const auto months = static_cast<long long>(entries(rule.by_month, ICAL_BY_MONTH_SIZE));
  const auto monthDays = static_cast<long long>(entries(rule.by_month_day, ICAL_BY_MONTHDAY_SIZE));
  if (monthDays > 0) return (months > 0 ? months : 12) * monthDays;
  const auto weekDays = entries(rule.by_day, ICAL_BY_DAY_SIZE);
  if (weekDays == 0) return months > 0 ? months : 1;
  long long days = 0;
  for (std::size_t i = 0; i < weekDays; ++i) {
    const bool placed = icalrecurrencetype_day_position(rule.by_day[i]) != 0;
    days += months > 0 ? months * (placed ? 1 : 5) : (placed ? 1 : 53);
  }
  return days;
}

long long changesOfRule(const icalrecurrencetype& rule, const icaltimetype& start) {
  if (rule.freq != ICAL_YEARLY_RECURRENCE) return kRunaway;
  if (entries(rule.by_second, ICAL_BY_SECOND_SIZE) + entries(rule.by_minute, ICAL_BY_MINUTE_SIZE) +
          entries(rule.by_hour, ICAL_BY_HOUR_SIZE) +
          entries(rule.by_year_day, ICAL_BY_YEARDAY_SIZE) +
          entries(rule.by_week_no, ICAL_BY_WEEKNO_SIZE) >
      0) {
    return kRunaway;
  }
  long long lastYear = kLastExpandedYear;
  if (!icaltime_is_null_time(rule.until)) lastYear = std::min<long long>(lastYear, rule.until.year);
  const long long years = std::max<long long>(0, lastYear - start.year + 1);
  long long changes = years * changesAYear(rule);
  if (rule.count > 0) changes = std::min<long long>(changes, rule.count);
  return changes;
}

long long changesOf(icalcomponent* zone) {
  long long changes = 0;
  for (auto* part = icalcomponent_get_first_component(zone, ICAL_ANY_COMPONENT);
       part && changes <= kMaxZoneChanges;
       part = icalcomponent_get_next_component(zone, ICAL_ANY_COMPONENT)) {
    const icaltimetype start = icalcomponent_get_dtstart(part);
    ++changes;
    for (auto* p = icalcomponent_get_first_property(part, ICAL_ANY_PROPERTY); p;
         p = icalcomponent_get_next_property(part, ICAL_ANY_PROPERTY)) {
      if (icalproperty_isa(p) == ICAL_RDATE_PROPERTY) ++changes;
      if (icalproperty_isa(p) == ICAL_RRULE_PROPERTY) {
        changes += changesOfRule(icalproperty_get_rrule(p), start);
      }
    }
  }
  return changes;
}

void findRunawayZones(icalcomponent* c,
                      std::vector<std::pair<icalcomponent*, icalcomponent*>>& out) {
  for (auto* child = icalcomponent_get_first_component(c, ICAL_ANY_COMPONENT); child;
       child = icalcomponent_get_next_component(c, ICAL_ANY_COMPONENT)) {
    if (icalcomponent_isa(child) == ICAL_VTIMEZONE_COMPONENT) {
      if (changesOf(child) > kMaxZoneChanges) out.emplace_back(c, child);
    } else {
      findRunawayZones(child, out);
    }
  }
}

}  // namespace

std::size_t dropRunawayZones(icalcomponent* root) {
  std::vector<std::pair<icalcomponent*, icalcomponent*>> found;  // parent, zone
  findRunawayZones(root, found);
  for (auto [parent, zone] : found) {
    icalcomponent_remove_component(parent, zone);
    icalcomponent_free(zone);
  }
  return found.size();
}

bool isOverride(icalcomponent* c) {
  return icalcomponent_get_first_property(c, ICAL_RECURRENCEID_PROPERTY) != nullptr;
}

std::multimap<std::string, icalcomponent*> overridesByUid(
    const std::vector<icalcomponent*>& components) {
  std::multimap<std::string, icalcomponent*> found;
  for (icalcomponent* c : components) {
    const char* uid = icalcomponent_get_uid(c);
    if (isOverride(c) && uid) found.emplace(uid, c);
  }
  return found;
}

bool readRepeat(icalcomponent* c, const std::vector<icalcomponent*>& overrides,
                const format::TableInfo& info, format::Record& record) {
  const auto fields = recurrence::SeriesFields::of(info.fields);
  recurrence::RepeatSet set;
  if (auto* p = icalcomponent_get_first_property(c, ICAL_RRULE_PROPERTY)) {
    const icalrecurrencetype rule = icalproperty_get_rrule(p);
    char* text = icalrecurrencetype_as_string_r(const_cast<icalrecurrencetype*>(&rule));
    set.rule = text ? text : "";
    icalmemory_free_buffer(text);
  }
  readDates(c, set);
  const char* summary = icalcomponent_get_summary(c);
  const auto seriesTime = timeOfDay(anchorOf(c));
  for (icalcomponent* o : overrides) readOverride(o, summary ? summary : "", seriesTime, set);
  if (!set.repeats() && set.moved.empty()) return true;
  if (!fields.canRepeat() || set.rule.size() > 255) return false;
  const icaltimetype anchor = anchorOf(c);
  if (const auto d = dayOf(anchor)) setField(record, fields.date, *d);
  if (const auto t = timeOfDay(anchor)) setField(record, fields.time, *t);
  setField(record, fields.rule, set.rule.empty() ? format::Value{} : format::Value{set.rule});
  const std::string memo = recurrence::exceptionsText(set);
  setField(record, fields.exceptions, memo.empty() ? format::Value{} : format::Value{memo});
  return true;
}

bool writeRepeat(icalcomponent* calendar, icalcomponent* c, const format::TableInfo& info,
                 const format::Record& record) {
  const auto fields = recurrence::SeriesFields::of(info.fields);
  if (!fields.canRepeat()) return false;
  const auto set = recurrence::repeatSetOf(fields, record);
  const auto start = recurrence::startOf(fields, record);
  if (!set.repeats() || !start) return false;
  const auto stored = recurrence::timeOf(fields, record);
  if (!set.rule.empty()) {
    icalerror_clear_errno();
    const icalrecurrencetype rule = icalrecurrencetype_from_string(set.rule.c_str());
    if (rule.freq != ICAL_NO_RECURRENCE)
      icalcomponent_add_property(c, icalproperty_new_rrule(rule));
    icalerror_clear_errno();
  }
  // A rule anchors on DTSTART, which a to-do otherwise need not have; the
  // days named beside it take its form, a day or a moment.
  if (icaltime_is_null_time(icalcomponent_get_dtstart(c)))
    icalcomponent_set_dtstart(c, icalMoment(*start, stored));
  const auto time = icalcomponent_get_dtstart(c).is_date ? std::nullopt : stored;
  for (const Date d : set.extraDates) {
    icaldatetimeperiodtype value{};
    value.time = icalMoment(d, time);
    value.period = icalperiodtype_null_period();
    icalcomponent_add_property(c, icalproperty_new_rdate(value));
  }
  for (const Date d : set.excluded)
    icalcomponent_add_property(c, icalproperty_new_exdate(icalMoment(d, time)));
  // Done and moved occurrences become instances of their own; each is named
  // by its day, so no expansion is needed to write them.
  std::set<Date> special(set.done.begin(), set.done.end());
  for (const auto& [original, moved] : set.moved) special.insert(original);
  for (const Date original : special) {
    if (set.excluded.contains(original)) continue;
    recurrence::Occurrence o{original, original, time, {}, set.done.contains(original), false};
    if (const auto it = set.moved.find(original); it != set.moved.end()) {
      o.moved = true;
      o.date = it->second.date;
      if (it->second.time) o.time = it->second.time;
      o.text = it->second.text;
    }
    icalcomponent_add_component(calendar, overrideOf(c, o, time));
  }
  return true;
}

}  // namespace torvelle::exchange

#include "exchange/ICalendar.h"

#include <libical/ical.h>

#include <cstdio>
#include <ctime>
#include <map>
#include <memory>

#include "engine/FieldText.h"
#include "exchange/Books.h"
#include "exchange/ExchangeError.h"
#include "exchange/LooseValues.h"
#include "exchange/TextInput.h"
#include "support/Utf8.h"

namespace torvelle::exchange {
namespace {

// Keeps the time of day where a calendar has no place for it: a task's
// milliseconds, an important date's hidden time.
constexpr const char* timeProperty = "X-TORVELLE-TIME";

struct ComponentDeleter {
  void operator()(icalcomponent* c) const { icalcomponent_free(c); }
};
using Component = std::unique_ptr<icalcomponent, ComponentDeleter>;

std::size_t at(const format::TableInfo& info, const char* name) {
  const int i = fieldIndex(info, name);
  if (i < 0) throw ExchangeError(std::string("the table has no field ") + name);
  return static_cast<std::size_t>(i);
}

// The last non-blank line, for telling a whole file from a cut one.
std::string_view lastLine(std::string_view text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
    text.remove_suffix(1);
  }
  const auto nl = text.rfind('\n');
  return nl == std::string_view::npos ? text : text.substr(nl + 1);
}

Component parseCalendar(std::string_view bytes) {
  const std::string_view text = checkTextInput(bytes);
  if (!support::isValidUtf8(text)) {
    std::size_t pos = 0;
    while (support::utf8SequenceLength(text, pos) > 0)
      pos += support::utf8SequenceLength(text, pos);
    throw ExchangeError("line " + std::to_string(lineAt(text, pos)) +
                        ": the text is not UTF-8, which iCalendar files are");
  }
  if (text.find("BEGIN:VCALENDAR") == std::string_view::npos) {
    throw ExchangeError("no calendar (BEGIN:VCALENDAR) in the file");
  }
  if (lastLine(text) != "END:VCALENDAR") {
    throw ExchangeError("the file does not end with END:VCALENDAR; it is cut short");
  }
  const std::string copy(text);
  Component root(icalparser_parse_string(copy.c_str()));
  if (!root) throw ExchangeError("libical cannot read the calendar");
  return root;
}

// Every component of `kind` in the file, in file order, whether the file
// holds one calendar or several.
std::vector<icalcomponent*> componentsOf(icalcomponent* root, icalcomponent_kind kind) {
  std::vector<icalcomponent*> found;
  const auto collect = [&](icalcomponent* calendar) {
    for (auto* c = icalcomponent_get_first_component(calendar, kind); c;
         c = icalcomponent_get_next_component(calendar, kind)) {
      found.push_back(c);
    }
  };
  if (icalcomponent_isa(root) == kind) {
    found.push_back(root);
  } else if (icalcomponent_isa(root) == ICAL_VCALENDAR_COMPONENT) {
    collect(root);
  } else {
    for (auto* cal = icalcomponent_get_first_component(root, ICAL_VCALENDAR_COMPONENT); cal;
         cal = icalcomponent_get_next_component(root, ICAL_VCALENDAR_COMPONENT)) {
      collect(cal);
    }
  }
  return found;
}

// What libical could not parse in a component, empty when all was well.
std::string parseError(icalcomponent* c) {
  if (auto* p = icalcomponent_get_first_property(c, ICAL_XLICERROR_PROPERTY)) {
    return icalproperty_get_xlicerror(p);
  }
  return {};
}

std::string text(const char* value) {
  return value ? std::string(value) : std::string();
}

format::Value textValue(const char* value) {
  if (!value || !*value) return std::monostate{};
  return std::string(value);
}

std::string xValue(icalcomponent* c, const char* name) {
  for (auto* p = icalcomponent_get_first_property(c, ICAL_X_PROPERTY); p;
       p = icalcomponent_get_next_property(c, ICAL_X_PROPERTY)) {
    if (text(icalproperty_get_x_name(p)) == name) return text(icalproperty_get_x(p));
  }
  return {};
}

// A date-time that names a zone or UTC is shown as the local wall clock; a
// floating one is taken as it stands.
struct DayAndTime {
  std::optional<format::Date> date;
  std::optional<format::Time> time;
};

DayAndTime dayAndTime(icaltimetype t) {
  if (icaltime_is_null_time(t)) return {};
  if (!t.is_date && (icaltime_is_utc(t) || t.zone)) {
    const std::time_t seconds = icaltime_as_timet_with_zone(t, t.zone);
    std::tm local{};
    localtime_r(&seconds, &local);
    t.year = local.tm_year + 1900;
    t.month = local.tm_mon + 1;
    t.day = local.tm_mday;
    t.hour = local.tm_hour;
    t.minute = local.tm_min;
    t.second = local.tm_sec;
  }
  DayAndTime result;
  result.date = engine::dayFromCivil(t.year, t.month, t.day);
  if (!t.is_date) result.time = format::Time{((t.hour * 60 + t.minute) * 60 + t.second) * 1000};
  return result;
}

icaltimetype icalDay(format::Date date) {
  const auto civil = engine::civilFromDay(date.day);
  icaltimetype t = icaltime_null_date();
  t.year = civil.year;
  t.month = civil.month;
  t.day = civil.day;
  return t;
}

icaltimetype icalDayTime(format::Date date, format::Time time) {
  icaltimetype t = icalDay(date);
  t.is_date = 0;
  t.hour = time.msec / 3600000;
  t.minute = time.msec / 60000 % 60;
  t.second = time.msec / 1000 % 60;
  return t;
}

void addTimeProperty(icalcomponent* c, format::Time time) {
  icalproperty* p = icalproperty_new_x(engine::defaultTimeText(time).c_str());
  const int ms = time.msec % 1000;
  if (ms != 0) {
    char fraction[8];
    std::snprintf(fraction, sizeof fraction, ".%03d", ms);
    icalproperty_set_x(p, (engine::defaultTimeText(time) + fraction).c_str());
  }
  icalproperty_set_x_name(p, timeProperty);
  icalcomponent_add_property(c, p);
}

// A UID that stays the same when the same record is exported again.
std::string uidOf(const std::string& kind, const format::Record& record) {
  std::string key;
  for (const auto& value : record)
    key += engine::valueText(value, engine::DisplayFormats::defaults()) + '\x1f';
  return kind + "-" + std::to_string(std::hash<std::string>{}(key)) + "@torvelle";
}

// libical writes a category list without escaping the commas inside one
// category, so "Holidays, public" would come back as two. Such commas travel
// as a private-use character, which no table text can hold, and become "\,"
// in the finished text.
constexpr std::string_view commaStandIn = "\xEE\x80\x80";  // U+E000

std::string listSafe(std::string text) {
  for (auto pos = text.find(','); pos != std::string::npos; pos = text.find(',', pos)) {
    text.replace(pos, 1, commaStandIn);
  }
  return text;
}

std::string commasEscaped(std::string text) {
  for (auto pos = text.find(commaStandIn); pos != std::string::npos;
       pos = text.find(commaStandIn, pos)) {
    text.replace(pos, commaStandIn.size(), "\\,");
  }
  return text;
}

std::string calendarText(icalcomponent* calendar) {
  char* raw = icalcomponent_as_ical_string_r(calendar);
  std::string out(raw ? raw : "");
  icalmemory_free_buffer(raw);
  return out;
}

Component newCalendar() {
  Component calendar(icalcomponent_new(ICAL_VCALENDAR_COMPONENT));
  icalcomponent_add_property(calendar.get(), icalproperty_new_version("2.0"));
  icalcomponent_add_property(calendar.get(), icalproperty_new_prodid("-//Torvelle//Organizer//EN"));
  return calendar;
}

void addCommon(icalcomponent* c, const std::string& uid, const format::Value& summary,
               const format::Value& description) {
  icalcomponent_add_property(c, icalproperty_new_uid(uid.c_str()));
  icalcomponent_add_property(
      c,
      icalproperty_new_dtstamp(icaltime_current_time_with_zone(icaltimezone_get_utc_timezone())));
  if (const auto* s = std::get_if<std::string>(&summary)) {
    icalcomponent_add_property(c, icalproperty_new_summary(s->c_str()));
  }
  if (const auto* d = std::get_if<std::string>(&description)) {
    icalcomponent_add_property(c, icalproperty_new_description(d->c_str()));
  }
}

bool isRecurring(icalcomponent* c) {
  return icalcomponent_get_first_property(c, ICAL_RRULE_PROPERTY) ||
         icalcomponent_get_first_property(c, ICAL_RDATE_PROPERTY);
}

}  // namespace

ReadRows readTasksCalendar(std::string_view bytes, const format::TableInfo& info) {
  const Component root = parseCalendar(bytes);
  ReadRows out;
  const std::size_t fDate = at(info, "Date"), fTime = at(info, "Time"), fTask = at(info, "Task"),
                    fDone = at(info, "Done"), fDescription = at(info, "Description");
  std::size_t n = 0;
  for (icalcomponent* c : componentsOf(root.get(), ICAL_VTODO_COMPONENT)) {
    const std::string where = "to-do " + std::to_string(++n);
    if (const auto error = parseError(c); !error.empty()) {
      throw ExchangeError(where + ": " + std::string(error));
    }
    icaltimetype when = icalcomponent_get_due(c);
    if (icaltime_is_null_time(when)) when = icalcomponent_get_dtstart(c);
    const DayAndTime due = dayAndTime(when);
    format::Record record(info.fields.size());
    if (due.date) record[fDate] = *due.date;
    if (due.time) record[fTime] = *due.time;
    if (const auto exact = parseLooseTime(xValue(c, timeProperty))) record[fTime] = *exact;
    record[fTask] = textValue(icalcomponent_get_summary(c));
    record[fDescription] = textValue(icalcomponent_get_description(c));
    auto* percent = icalcomponent_get_first_property(c, ICAL_PERCENTCOMPLETE_PROPERTY);
    record[fDone] = icalcomponent_get_status(c) == ICAL_STATUS_COMPLETED ||
                    icalcomponent_get_first_property(c, ICAL_COMPLETED_PROPERTY) != nullptr ||
                    (percent && icalproperty_get_percentcomplete(percent) >= 100);
    if (isRecurring(c)) ++out.notStored["repeating to-do, taken as its first occurrence"];
    out.rows.push_back({where, std::move(record)});
  }
  if (const auto events = componentsOf(root.get(), ICAL_VEVENT_COMPONENT).size()) {
    out.notStored["event (the task list takes to-dos)"] += events;
  }
  return out;
}

ReadRows readDatesCalendar(std::string_view bytes, const format::TableInfo& info,
                           const std::string& section, const std::string& fallbackSection) {
  const Component root = parseCalendar(bytes);
  ReadRows out;
  const std::size_t fSection = at(info, "Section"), fDate = at(info, "Date"),
                    fTime = at(info, "Time"), fEvent = at(info, "Event"),
                    fDescription = at(info, "Description");
  std::size_t n = 0;
  for (icalcomponent* c : componentsOf(root.get(), ICAL_VEVENT_COMPONENT)) {
    const std::string where = "event " + std::to_string(++n);
    if (const auto error = parseError(c); !error.empty()) {
      throw ExchangeError(where + ": " + std::string(error));
    }
    const DayAndTime start = dayAndTime(icalcomponent_get_dtstart(c));
    format::Record record(info.fields.size());
    if (start.date) record[fDate] = *start.date;
    if (start.time) record[fTime] = *start.time;
    if (const auto exact = parseLooseTime(xValue(c, timeProperty))) record[fTime] = *exact;
    record[fEvent] = textValue(icalcomponent_get_summary(c));
    record[fDescription] = textValue(icalcomponent_get_description(c));
    std::string category;
    if (auto* p = icalcomponent_get_first_property(c, ICAL_CATEGORIES_PROPERTY)) {
      // libical splits the list at unescaped commas into one property each.
      category = text(icalproperty_get_categories(p));
    }
    record[fSection] = !section.empty() ? section : !category.empty() ? category : fallbackSection;
    if (isRecurring(c)) ++out.notStored["repeating event, taken as its first occurrence"];
    out.rows.push_back({where, std::move(record)});
  }
  if (const auto todos = componentsOf(root.get(), ICAL_VTODO_COMPONENT).size()) {
    out.notStored["to-do (the dates book takes events)"] += todos;
  }
  return out;
}

std::string writeTasksCalendar(const format::TableInfo& info,
                               const std::vector<format::Record>& records) {
  const std::size_t fDate = at(info, "Date"), fTime = at(info, "Time"), fTask = at(info, "Task"),
                    fDone = at(info, "Done"), fDescription = at(info, "Description");
  const Component calendar = newCalendar();
  for (const auto& record : records) {
    icalcomponent* todo = icalcomponent_new(ICAL_VTODO_COMPONENT);
    addCommon(todo, uidOf("task", record), record[fTask], record[fDescription]);
    const auto* date = std::get_if<format::Date>(&record[fDate]);
    const auto* time = std::get_if<format::Time>(&record[fTime]);
    if (date) {
      icalcomponent_add_property(
          todo, icalproperty_new_due(time ? icalDayTime(*date, *time) : icalDay(*date)));
    }
    if (time && time->msec % 1000 != 0) addTimeProperty(todo, *time);
    const bool done = std::holds_alternative<bool>(record[fDone]) && std::get<bool>(record[fDone]);
    icalcomponent_add_property(
        todo, icalproperty_new_status(done ? ICAL_STATUS_COMPLETED : ICAL_STATUS_NEEDSACTION));
    icalcomponent_add_component(calendar.get(), todo);
  }
  return calendarText(calendar.get());
}

std::string writeDatesCalendar(const format::TableInfo& info,
                               const std::vector<format::Record>& records, bool yearly) {
  const std::size_t fSection = at(info, "Section"), fDate = at(info, "Date"),
                    fTime = at(info, "Time"), fEvent = at(info, "Event"),
                    fDescription = at(info, "Description");
  const Component calendar = newCalendar();
  for (const auto& record : records) {
    icalcomponent* event = icalcomponent_new(ICAL_VEVENT_COMPONENT);
    addCommon(event, uidOf("date", record), record[fEvent], record[fDescription]);
    if (const auto* date = std::get_if<format::Date>(&record[fDate])) {
      icalcomponent_add_property(event, icalproperty_new_dtstart(icalDay(*date)));
    }
    if (const auto* time = std::get_if<format::Time>(&record[fTime])) addTimeProperty(event, *time);
    if (const auto* section = std::get_if<std::string>(&record[fSection])) {
      icalcomponent_add_property(event, icalproperty_new_categories(listSafe(*section).c_str()));
    }
    if (yearly) {
      const icalrecurrencetype rule = icalrecurrencetype_from_string("FREQ=YEARLY");
      icalcomponent_add_property(event, icalproperty_new_rrule(rule));
    }
    icalcomponent_add_component(calendar.get(), event);
  }
  return commasEscaped(calendarText(calendar.get()));
}

void settleTimes(std::vector<ImportRow>& rows, const std::vector<format::Record>& existing,
                 const format::TableInfo& info, const char* textField) {
  const std::size_t fTime = at(info, "Time"), fText = at(info, textField);
  const auto formats = engine::DisplayFormats::defaults();
  // The key without its time, and the time (-1 for none).
  const auto keyOf = [&](const format::Record& r, std::int32_t msec) {
    std::string key;
    for (std::size_t f = 0; f < static_cast<std::size_t>(info.keyFieldCount); ++f) {
      if (f != fTime) key += engine::valueText(r[f], formats) + '\x1f';
    }
    return std::pair{key, msec};
  };
  const auto timeOf = [&](const format::Record& r) {
    const auto* time = std::get_if<format::Time>(&r[fTime]);
    return time ? time->msec : -1;
  };
  const auto textOf = [&](const format::Record& r) { return engine::valueText(r[fText], formats); };
  std::map<std::pair<std::string, std::int32_t>, std::string> taken;
  for (const auto& r : existing) taken.emplace(keyOf(r, timeOf(r)), textOf(r));
  for (auto& row : rows) {
    const std::string text = textOf(row.record);
    std::int32_t msec = timeOf(row.record);
    for (;;) {
      const auto it = taken.find(keyOf(row.record, msec));
      if (it == taken.end() || it->second == text || msec + 1000 >= 86400000) break;
      msec = msec < 0 ? 0 : msec + 1000;
    }
    if (msec >= 0) row.record[fTime] = format::Time{msec};
    taken.emplace(keyOf(row.record, msec), text);
  }
}

}  // namespace torvelle::exchange

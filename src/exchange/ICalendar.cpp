#include "exchange/ICalendar.h"

#include <libical/ical.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <map>
#include <memory>
#include <unordered_map>

#include "engine/FieldNames.h"
#include "engine/FieldText.h"
#include "engine/RecordIdentity.h"
#include "exchange/Books.h"
#include "exchange/ExchangeError.h"
#include "exchange/ICalRepeat.h"
#include "exchange/ICalendarInput.h"
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

// The file as libical read it, and what the checks before found.
struct Calendar {
  Component root;
  PreparedCalendar prepared;
};

Calendar parseCalendar(std::string_view bytes) {
  const std::string_view text = checkTextInput(bytes);
  if (!support::isValidUtf8(text)) {
    std::size_t pos = 0;
    while (support::utf8SequenceLength(text, pos) > 0)
      pos += support::utf8SequenceLength(text, pos);
    throw ExchangeError("line " + std::to_string(lineAt(text, pos)) +
                        ": the text is not UTF-8, which iCalendar files are");
  }
  Calendar calendar{nullptr, prepareCalendar(text)};
  calendar.root.reset(icalparser_parse_string(calendar.prepared.text.c_str()));
  if (!calendar.root) throw ExchangeError("libical cannot read the calendar");
  if (const auto dropped = dropRunawayZones(calendar.root.get())) {
    calendar.prepared
        .notStored["time zone with rules no real zone has (its times taken as written)"] += dropped;
  }
  return calendar;
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

// What libical could not parse in a component (an empty PRIORITY, a value
// it cannot read, a name broken by folding) is left out of it and counted.
void countParseErrors(icalcomponent* c, std::map<std::string, std::size_t>& notStored) {
  for (auto* p = icalcomponent_get_first_property(c, ICAL_XLICERROR_PROPERTY); p;
       p = icalcomponent_get_next_property(c, ICAL_XLICERROR_PROPERTY)) {
    ++notStored["property libical cannot read"];
  }
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
  t = wallClock(t);
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

// The record's own identity when it has one, so that an import of the
// export, or another program's copy, is known as the same item.
std::string identityFor(const std::string& kind, const format::TableInfo& info,
                        const format::Record& record) {
  std::string uid = engine::identityOf(info.fields, record);
  return uid.empty() ? uidOf(kind, record) : uid;
}

void keepIdentity(icalcomponent* c, const format::TableInfo& info, format::Record& record) {
  const int f = engine::identityField(info.fields);
  const char* uid = icalcomponent_get_uid(c);
  if (f >= 0 && uid && *uid) record[static_cast<std::size_t>(f)] = engine::storableIdentity(uid);
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

// An overridden instance whose series is in the file belongs to it; one
// without its series is an item of its own.
bool hasSeries(const std::vector<icalcomponent*>& components, icalcomponent* instance) {
  const std::string uid = text(icalcomponent_get_uid(instance));
  return std::any_of(components.begin(), components.end(), [&](icalcomponent* c) {
    return c != instance && !isOverride(c) && text(icalcomponent_get_uid(c)) == uid;
  });
}

// The overridden instances of `c`'s series among a file's components.
std::vector<icalcomponent*> instancesOf(const std::multimap<std::string, icalcomponent*>& overrides,
                                        icalcomponent* c) {
  std::vector<icalcomponent*> found;
  const char* uid = icalcomponent_get_uid(c);
  if (!uid) return found;
  const auto [first, last] = overrides.equal_range(uid);
  for (auto it = first; it != last; ++it) found.push_back(it->second);
  return found;
}

}  // namespace

namespace {

// The items of the calendar as the file has them, matched in file order to
// the components libical made of the text it was given.
class ItemSources {
 public:
  ItemSources(const PreparedCalendar& prepared, std::string_view text, std::string_view kind) {
    for (const auto& item : prepared.items) {
      if (item.kind == kind && item.refusal.empty()) {
        items_.push_back({item.line, text.substr(item.begin, item.end - item.begin)});
      }
    }
  }
  // "line 12 (to-do)" and the item's text; counts past the end give no text.
  std::pair<std::string, std::string_view> next(const char* what) {
    const std::size_t i = next_++;
    if (i >= items_.size()) return {std::string(what) + " " + std::to_string(i + 1), {}};
    return {"line " + std::to_string(items_[i].first) + " (" + what + ")", items_[i].second};
  }

 private:
  std::vector<std::pair<std::size_t, std::string_view>> items_;
  std::size_t next_ = 0;
};

// Items the checks before libical left out, as refused rows.
void addLeftOut(const PreparedCalendar& prepared, std::string_view text,
                const format::TableInfo& info, ReadRows& out) {
  for (const auto& item : prepared.items) {
    if (item.refusal.empty()) continue;
    out.rows.push_back({"line " + std::to_string(item.line) + " (" + item.kind + ")",
                        format::Record(info.fields.size()), item.refusal,
                        text.substr(item.begin, item.end - item.begin)});
  }
}

void takeChecks(const PreparedCalendar& prepared, ReadRows& out) {
  for (const auto& [what, n] : prepared.notStored) out.notStored[what] += n;
  out.notes.insert(out.notes.end(), prepared.notes.begin(), prepared.notes.end());
}

// A to-do's due day and time (else its start), an event's start: an
// all-day one has no time, an undated to-do no day.
format::Record taskRecord(icalcomponent* c, const format::TableInfo& info, bool event) {
  const std::size_t fDate = at(info, engine::kDateField), fTime = at(info, engine::kTimeField),
                    fTask = at(info, engine::kTaskField), fDone = at(info, engine::kDoneField),
                    fDescription = at(info, engine::kDescriptionField);
  icaltimetype when = event ? icaltime_null_time() : icalcomponent_get_due(c);
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
  keepIdentity(c, info, record);
  return record;
}

}  // namespace

ReadRows readTasksCalendar(std::string_view bytes, const format::TableInfo& info) {
  const std::string_view fileText = checkTextInput(bytes);
  const Calendar calendar = parseCalendar(fileText);
  ReadRows out;
  takeChecks(calendar.prepared, out);
  // A person's calendar is mostly events: they are things to do on a day too.
  for (const bool event : {false, true}) {
    const auto kind = event ? ICAL_VEVENT_COMPONENT : ICAL_VTODO_COMPONENT;
    ItemSources sources(calendar.prepared, fileText, event ? "VEVENT" : "VTODO");
    const auto items = componentsOf(calendar.root.get(), kind);
    const auto overrides = overridesByUid(items);
    for (icalcomponent* c : items) {
      auto [where, source] = sources.next(event ? "event" : "to-do");
      // An overridden instance travels inside its series' record.
      if (isOverride(c) && hasSeries(items, c)) continue;
      countParseErrors(c, out.notStored);
      format::Record record = taskRecord(c, info, event);
      if (!readRepeat(c, instancesOf(overrides, c), info, record)) {
        ++out.notStored[event ? "repeating event, taken as its first occurrence"
                              : "repeating to-do, taken as its first occurrence"];
      }
      out.rows.push_back({std::move(where), std::move(record), {}, source});
    }
  }
  addLeftOut(calendar.prepared, fileText, info, out);
  return out;
}

ReadRows readDatesCalendar(std::string_view bytes, const format::TableInfo& info,
                           const std::string& section, const std::string& fallbackSection) {
  const std::string_view fileText = checkTextInput(bytes);
  const Calendar calendar = parseCalendar(fileText);
  ReadRows out;
  takeChecks(calendar.prepared, out);
  const std::size_t fSection = at(info, engine::kSectionField),
                    fDate = at(info, engine::kDateField), fTime = at(info, engine::kTimeField),
                    fEvent = at(info, engine::kEventField),
                    fDescription = at(info, engine::kDescriptionField);
  ItemSources sources(calendar.prepared, fileText, "VEVENT");
  const auto events = componentsOf(calendar.root.get(), ICAL_VEVENT_COMPONENT);
  const auto overrides = overridesByUid(events);
  for (icalcomponent* c : events) {
    auto [where, source] = sources.next("event");
    if (isOverride(c) && hasSeries(events, c)) continue;
    countParseErrors(c, out.notStored);
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
    keepIdentity(c, info, record);
    if (!readRepeat(c, instancesOf(overrides, c), info, record))
      ++out.notStored["repeating event, taken as its first occurrence"];
    out.rows.push_back({std::move(where), std::move(record), {}, source});
  }
  if (const auto todos = componentsOf(calendar.root.get(), ICAL_VTODO_COMPONENT).size()) {
    out.notStored["to-do (the dates book takes events)"] += todos;
  }
  addLeftOut(calendar.prepared, fileText, info, out);
  return out;
}

std::string writeTasksCalendar(const format::TableInfo& info,
                               const std::vector<format::Record>& records) {
  const std::size_t fDate = at(info, engine::kDateField), fTime = at(info, engine::kTimeField),
                    fTask = at(info, engine::kTaskField), fDone = at(info, engine::kDoneField),
                    fDescription = at(info, engine::kDescriptionField);
  const Component calendar = newCalendar();
  for (const auto& record : records) {
    icalcomponent* todo = icalcomponent_new(ICAL_VTODO_COMPONENT);
    addCommon(todo, identityFor("task", info, record), record[fTask], record[fDescription]);
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
    writeRepeat(calendar.get(), todo, info, record);
  }
  return calendarText(calendar.get());
}

std::string writeDatesCalendar(const format::TableInfo& info,
                               const std::vector<format::Record>& records, bool yearly) {
  const std::size_t fSection = at(info, engine::kSectionField),
                    fDate = at(info, engine::kDateField), fTime = at(info, engine::kTimeField),
                    fEvent = at(info, engine::kEventField),
                    fDescription = at(info, engine::kDescriptionField);
  const Component calendar = newCalendar();
  for (const auto& record : records) {
    icalcomponent* event = icalcomponent_new(ICAL_VEVENT_COMPONENT);
    addCommon(event, identityFor("date", info, record), record[fEvent], record[fDescription]);
    if (const auto* date = std::get_if<format::Date>(&record[fDate])) {
      icalcomponent_add_property(event, icalproperty_new_dtstart(icalDay(*date)));
    }
    if (const auto* time = std::get_if<format::Time>(&record[fTime])) addTimeProperty(event, *time);
    if (const auto* section = std::get_if<std::string>(&record[fSection])) {
      icalcomponent_add_property(event, icalproperty_new_categories(listSafe(*section).c_str()));
    }
    icalcomponent_add_component(calendar.get(), event);
    // An event's own rule goes first; the yearly one is for those without.
    if (!writeRepeat(calendar.get(), event, info, record) && yearly) {
      const icalrecurrencetype rule = icalrecurrencetype_from_string("FREQ=YEARLY");
      icalcomponent_add_property(event, icalproperty_new_rrule(rule));
    }
  }
  return commasEscaped(calendarText(calendar.get()));
}

namespace {

// Keys of the dated tables without their time, and the time apart, so two
// rows at one moment can be told apart and one of them moved on.
struct MomentKeys {
  const format::TableInfo& info;
  std::size_t fTime;
  std::size_t fText;
  engine::DisplayFormats formats = engine::DisplayFormats::defaults();

  std::string dayKeyOf(const format::Record& r) const {
    std::string key;
    for (std::size_t f = 0; f < static_cast<std::size_t>(info.keyFieldCount); ++f) {
      if (f != fTime) key += engine::valueText(r[f], formats) + '\x1f';
    }
    return key;
  }
  static std::string withTime(std::string key, std::int32_t msec) {
    key.append(reinterpret_cast<const char*>(&msec), sizeof msec);
    return key;
  }
  std::int32_t timeOf(const format::Record& r) const {
    const auto* time = std::get_if<format::Time>(&r[fTime]);
    return time ? time->msec : -1;
  }
  std::string textOf(const format::Record& r) const { return engine::valueText(r[fText], formats); }
};

}  // namespace

void settleTimes(std::vector<ImportRow>& rows, const std::vector<format::Record>& existing,
                 const format::TableInfo& info, const char* textField) {
  const MomentKeys keys{info, at(info, engine::kTimeField), at(info, textField)};
  std::unordered_map<std::string, std::string> taken;
  for (const auto& r : existing) {
    taken.emplace(MomentKeys::withTime(keys.dayKeyOf(r), keys.timeOf(r)), keys.textOf(r));
  }
  // Where the last row that wanted a key moved on to: the keys between are
  // taken, so the next row that wants it starts there, and n rows at one
  // moment cost n steps, not n * n.
  std::unordered_map<std::string, std::int32_t> movedTo;
  constexpr std::int32_t kLastMsec = 86'399'999;
  for (auto& row : rows) {
    const std::string text = keys.textOf(row.record);
    const std::string day = keys.dayKeyOf(row.record);
    const std::int32_t wanted = keys.timeOf(row.record);
    const auto isFree = [&](std::int32_t msec) {
      const auto it = taken.find(MomentKeys::withTime(day, msec));
      return it == taken.end() || it->second == text;
    };
    std::int32_t msec = wanted;
    if (!isFree(msec)) {
      std::int32_t& resume =
          movedTo.try_emplace(MomentKeys::withTime(day, wanted), wanted).first->second;
      msec = resume;
      while (msec < kLastMsec && !isFree(msec)) msec = msec < 0 ? 0 : msec + 1;
      resume = msec;
      // A full day keeps its key; the import leaves the row out.
      if (!isFree(msec)) msec = wanted;
    }
    if (msec >= 0) row.record[keys.fTime] = format::Time{msec};
    taken.emplace(MomentKeys::withTime(day, msec), text);
  }
}

}  // namespace torvelle::exchange

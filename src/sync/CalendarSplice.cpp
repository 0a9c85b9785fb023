#include <libical/ical.h>

#include <memory>
#include <vector>

#include "exchange/ICalendar.h"

#include "engine/FieldNames.h"
#include "sync/ItemWriter.h"

namespace torvelle::sync {
namespace {

struct ComponentFree {
  void operator()(icalcomponent* c) const { icalcomponent_free(c); }
};
using Component = std::unique_ptr<icalcomponent, ComponentFree>;

// libical writes the commas inside one category unescaped; the exporter
// marks them with this private-use character, which we turn into "\," after
// the text is made, as it does.
constexpr std::string_view kCommaStandIn = "\xEE\x80\x80";

std::string calendarText(icalcomponent* calendar) {
  char* raw = icalcomponent_as_ical_string_r(calendar);
  std::string out(raw ? raw : "");
  icalmemory_free_buffer(raw);
  for (auto pos = out.find(kCommaStandIn); pos != std::string::npos;
       pos = out.find(kCommaStandIn, pos)) {
    out.replace(pos, kCommaStandIn.size(), "\\,");
  }
  return out;
}

icalcomponent_kind kindOf(SyncBook book) {
  return book == SyncBook::Tasks ? ICAL_VTODO_COMPONENT : ICAL_VEVENT_COMPONENT;
}

// The item's main component: the first of its kind that is not an exception
// to a repeating one.
icalcomponent* mainComponent(icalcomponent* root, icalcomponent_kind kind) {
  if (icalcomponent_isa(root) == kind) return root;
  for (icalcomponent* c = icalcomponent_get_first_component(root, kind); c;
       c = icalcomponent_get_next_component(root, kind)) {
    if (!icalcomponent_get_first_property(c, ICAL_RECURRENCEID_PROPERTY)) return c;
  }
  return icalcomponent_get_first_component(root, kind);
}

void removeAll(icalcomponent* c, icalproperty_kind kind) {
  std::vector<icalproperty*> found;
  for (icalproperty* p = icalcomponent_get_first_property(c, kind); p;
       p = icalcomponent_get_next_property(c, kind)) {
    found.push_back(p);
  }
  for (icalproperty* p : found) {
    icalcomponent_remove_property(c, p);
    icalproperty_free(p);
  }
}

// Moves every property of `kind` from `fresh` to `target` (X- properties
// only when `xName` names them), after removing the target's own.
void replaceFrom(icalcomponent* target, icalcomponent* fresh, icalproperty_kind kind,
                 const char* xName = nullptr) {
  const auto matches = [&](icalproperty* p) {
    return !xName || std::string_view(icalproperty_get_x_name(p)) == xName;
  };
  std::vector<icalproperty*> old;
  for (icalproperty* p = icalcomponent_get_first_property(target, kind); p;
       p = icalcomponent_get_next_property(target, kind)) {
    if (matches(p)) old.push_back(p);
  }
  for (icalproperty* p : old) {
    icalcomponent_remove_property(target, p);
    icalproperty_free(p);
  }
  for (icalproperty* p = icalcomponent_get_first_property(fresh, kind); p;
       p = icalcomponent_get_next_property(fresh, kind)) {
    if (matches(p)) icalcomponent_add_property(target, icalproperty_new_clone(p));
  }
}

// The X- properties of the fresh component: the exact time of day the
// exporter keeps beside an all-day or whole-second value.
std::vector<std::string> xNames(icalcomponent* fresh) {
  std::vector<std::string> names;
  for (icalproperty* p = icalcomponent_get_first_property(fresh, ICAL_X_PROPERTY); p;
       p = icalcomponent_get_next_property(fresh, ICAL_X_PROPERTY)) {
    names.emplace_back(icalproperty_get_x_name(p));
  }
  return names;
}

std::string freshText(SyncBook book, const format::TableInfo& info, const FieldMap& fields) {
  const format::Record record = recordWithFields(info, {}, fields);
  return book == SyncBook::Tasks ? exchange::writeTasksCalendar(info, {record})
                                 : exchange::writeDatesCalendar(info, {record}, true);
}

void setWhen(SyncBook book, icalcomponent* target, icalcomponent* fresh) {
  // Our time of day travels as an X- property: the old one goes, a new one
  // comes only when the fresh item has one.
  const std::vector<std::string> ours = xNames(fresh);
  for (const auto& name : ours) replaceFrom(target, fresh, ICAL_X_PROPERTY, name.c_str());
  if (book == SyncBook::Tasks) {
    // A start left behind could fall after the new due day.
    removeAll(target, ICAL_DTSTART_PROPERTY);
    replaceFrom(target, fresh, ICAL_DUE_PROPERTY);
  } else {
    removeAll(target, ICAL_DTEND_PROPERTY);
    replaceFrom(target, fresh, ICAL_DTSTART_PROPERTY);
  }
}

void setDone(icalcomponent* target, bool done) {
  removeAll(target, ICAL_STATUS_PROPERTY);
  icalcomponent_add_property(
      target, icalproperty_new_status(done ? ICAL_STATUS_COMPLETED : ICAL_STATUS_NEEDSACTION));
  if (done) {
    if (!icalcomponent_get_first_property(target, ICAL_COMPLETED_PROPERTY)) {
      icalcomponent_add_property(target, icalproperty_new_completed(icaltime_current_time_with_zone(
                                             icaltimezone_get_utc_timezone())));
    }
  } else {
    removeAll(target, ICAL_COMPLETED_PROPERTY);
    removeAll(target, ICAL_PERCENTCOMPLETE_PROPERTY);
  }
}

void setCategory(icalcomponent* target, const std::string& section) {
  // The first category is the section; the others stay, after it.
  std::vector<icalproperty*> rest;
  bool first = true;
  for (icalproperty* p = icalcomponent_get_first_property(target, ICAL_CATEGORIES_PROPERTY); p;
       p = icalcomponent_get_next_property(target, ICAL_CATEGORIES_PROPERTY)) {
    if (!first) rest.push_back(icalproperty_new_clone(p));
    first = false;
  }
  removeAll(target, ICAL_CATEGORIES_PROPERTY);
  std::string safe = section;
  for (auto pos = safe.find(','); pos != std::string::npos; pos = safe.find(',', pos)) {
    safe.replace(pos, 1, kCommaStandIn);
  }
  icalcomponent_add_property(target, icalproperty_new_categories(safe.c_str()));
  for (icalproperty* p : rest) icalcomponent_add_property(target, p);
}

}  // namespace

std::string changedCalendarItem(SyncBook book, const format::TableInfo& info,
                                std::string_view serverText, const FieldMap& fields,
                                const std::set<std::string>& changed) {
  const std::string copy(serverText);
  const Component root(icalparser_parse_string(copy.c_str()));
  const Component freshRoot(icalparser_parse_string(freshText(book, info, fields).c_str()));
  icalcomponent* target = root ? mainComponent(root.get(), kindOf(book)) : nullptr;
  icalcomponent* fresh = freshRoot ? mainComponent(freshRoot.get(), kindOf(book)) : nullptr;
  if (!target || !fresh) return newItem(book, info, fields, uidOfItem(serverText));
  if (changed.contains(engine::kDateField) || changed.contains(engine::kTimeField))
    setWhen(book, target, fresh);
  if (changed.contains(engine::kTaskField) || changed.contains(engine::kEventField)) {
    replaceFrom(target, fresh, ICAL_SUMMARY_PROPERTY);
  }
  if (changed.contains(engine::kDescriptionField))
    replaceFrom(target, fresh, ICAL_DESCRIPTION_PROPERTY);
  if (changed.contains(engine::kDoneField)) setDone(target, fields.at(engine::kDoneField) == "1");
  if (changed.contains(engine::kSectionField))
    setCategory(target, fields.at(engine::kSectionField));
  removeAll(target, ICAL_DTSTAMP_PROPERTY);
  icalcomponent_add_property(
      target,
      icalproperty_new_dtstamp(icaltime_current_time_with_zone(icaltimezone_get_utc_timezone())));
  return calendarText(root.get());
}

std::string newItem(SyncBook book, const format::TableInfo& info, const FieldMap& fields,
                    const std::string& uid) {
  if (book == SyncBook::Phones) {
    std::string text = "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + uid + "\r\nEND:VCARD\r\n";
    std::set<std::string> all;
    for (const auto& [name, value] : fields) {
      if (!value.empty()) all.insert(name);
    }
    return changedVCard(text, fields, all);
  }
  std::string text = freshText(book, info, fields);
  // The exporter names items after their content; ours keep their identity.
  const auto at = text.find("\nUID:");
  if (at != std::string::npos) {
    const auto end = text.find("\r\n", at + 1);
    text.replace(at + 5, end - at - 5, uid);
  }
  return text;
}

std::string changedItem(SyncBook book, const format::TableInfo& info, std::string_view serverText,
                        const FieldMap& fields, const std::set<std::string>& changed) {
  return book == SyncBook::Phones ? changedVCard(serverText, fields, changed)
                                  : changedCalendarItem(book, info, serverText, fields, changed);
}

}  // namespace torvelle::sync

#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "engine/format/Value.h"

namespace torvelle::recurrence {

using format::Date;
using format::Time;

// One occurrence given a day, time or text of its own ("moved"): iCalendar's
// overridden instance, named by the day the rule gave it (RECURRENCE-ID).
struct MovedOccurrence {
  Date date;
  std::optional<Time> time;  // none: the series' time
  std::string text;          // empty: the series' text
  friend bool operator==(const MovedOccurrence&, const MovedOccurrence&) = default;
};

// Everything that makes a record repeat. Occurrences are named by the day the
// rule (or an extra date) gives them, which stays their name when moved.
struct RepeatSet {
  std::string rule;           // RFC 5545 RRULE value; empty: none
  std::set<Date> extraDates;  // RDATE
  std::set<Date> excluded;    // EXDATE: removed occurrences
  std::set<Date> done;        // occurrences ticked done
  std::map<Date, MovedOccurrence> moved;

  bool repeats() const { return !rule.empty() || !extraDates.empty(); }
  friend bool operator==(const RepeatSet&, const RepeatSet&) = default;
};

// The exceptions memo: one line per entry, in iCalendar's basic date form,
//   RDATE:20260105   EXDATE:20260112   DONE:20260119
//   MOVED:20260126>20260127T093000 New text
// (time and text optional). Lines it does not know are skipped, so a later
// version's entries do not make the record unreadable.
std::string exceptionsText(const RepeatSet& set);
RepeatSet parseRepeatSet(const std::string& rule, const std::string& exceptions);

// "20260105" and back; nullopt for anything else.
std::string basicDate(Date date);
std::optional<Date> parseBasicDate(std::string_view text);

}  // namespace torvelle::recurrence

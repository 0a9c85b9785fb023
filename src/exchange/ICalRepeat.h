#pragma once
#include <libical/ical.h>

#include <map>
#include <string>
#include <vector>

#include "engine/format/TableFile.h"

// Repeating to-dos and events: RRULE, RDATE, EXDATE and overridden
// instances (RECURRENCE-ID) between a calendar file and a table's repeat
// fields.
namespace torvelle::exchange {

// A zoned or UTC moment as the local wall clock shows it; a date or a
// floating time as it is.
icaltimetype wallClock(icaltimetype t);

// Takes out of `root` (at any depth) every VTIMEZONE whose rules libical
// would expand into more changes than any real zone has, and returns how
// many it took. Times that name such a zone are then taken as written.
std::size_t dropRunawayZones(icalcomponent* root);

// An overridden instance of another component, not an item of its own.
bool isOverride(icalcomponent* c);

// The overridden instances of a file, by the UID of their series.
std::multimap<std::string, icalcomponent*> overridesByUid(
    const std::vector<icalcomponent*>& components);

// Puts the series `c` carries into the record's repeat fields: its rule,
// extra and excluded days, and the instances in `overrides` (moved, given
// their own text, cancelled, or done). A series anchors on its start, which
// becomes the record's day and time. Returns false when the table has no
// repeat fields (an older folder): the caller counts the record as taken at
// its first occurrence.
bool readRepeat(icalcomponent* c, const std::vector<icalcomponent*>& overrides,
                const format::TableInfo& info, format::Record& record);

// Writes the record's repeat set into `c` and its overridden instances
// beside it in `calendar`. Returns true when the record repeats.
bool writeRepeat(icalcomponent* calendar, icalcomponent* c, const format::TableInfo& info,
                 const format::Record& record);

}  // namespace torvelle::exchange

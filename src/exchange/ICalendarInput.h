#pragma once
#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// A calendar file made safe for libical before it sees it: the checks that
// keep one damaged or hostile component from stopping, hanging or crashing
// the reading of all the others.
namespace torvelle::exchange {

// The longest property we hand on, far above what any field holds; libical's
// line reader slows down with the square of a line's length.
constexpr std::size_t maxCalendarProperty = 256 * 1024;
// VCALENDAR, a to-do or an event, an alarm in it: anything deeper is not a
// calendar's meaning.
constexpr int maxCalendarDepth = 4;

// One component directly inside a VCALENDAR ("VTODO", "VEVENT", ...) with
// the bytes [begin, end) of the file it spans and the line it begins on.
struct CalendarItem {
  std::string kind;
  std::size_t line = 0;
  std::size_t begin = 0;
  std::size_t end = 0;
  std::string refusal;  // why it was left out of the text for libical
};

struct PreparedCalendar {
  std::string text;                 // what libical reads
  std::vector<CalendarItem> items;  // in file order, left out ones too
  std::vector<std::string> notes;
  std::map<std::string, std::size_t> notStored;
};

// `text` is UTF-8 checked by readTextInput. Lines after the last calendar's
// END:VCALENDAR are dropped; a component nested too deep or cut short by the
// end of the file is left out with its refusal; an over-long property is
// cut with a note. Time zones are judged after libical reads the text (see
// dropRunawayZones), where a rule cannot hide behind a parameter or a fold.
// Throws ExchangeError for a file with no BEGIN:VCALENDAR.
PreparedCalendar prepareCalendar(std::string_view text);

}  // namespace torvelle::exchange

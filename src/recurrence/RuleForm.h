#pragma once
#include <array>
#include <optional>
#include <string>

#include "engine/format/Value.h"

namespace torvelle::recurrence {

// What the repeat editor can say about a rule. Rules beyond it (several
// months, set positions, hours...) are kept and run as they are; the editor
// shows them read-only.
enum class Preset { None, Daily, Weekdays, Weekly, Monthly, Yearly };
enum class MonthlyBy { DayOfMonth, LastDay, NthWeekday };
enum class EndKind { Never, Until, Count };

struct RuleForm {
  Preset preset = Preset::None;
  int interval = 1;                // every N days, weeks, months or years
  std::array<bool, 7> weekdays{};  // Monday first; weekly: none means the start's day
  MonthlyBy monthly = MonthlyBy::DayOfMonth;
  EndKind end = EndKind::Never;
  format::Date until;  // the last day that may have an occurrence
  int count = 10;
  friend bool operator==(const RuleForm&, const RuleForm&) = default;
};

// The RRULE value the form says for a series starting on `start`; empty for
// no repetition. Monthly by n-th week-day takes the start's week-day and its
// place in the month (the fifth becomes "last").
std::string ruleText(const RuleForm& form, format::Date start);

// The form of a rule, or nullopt when the editor cannot show it.
std::optional<RuleForm> formOf(const std::string& rule);

// Monday 0 ... Sunday 6.
int weekdayOf(format::Date date);

}  // namespace torvelle::recurrence

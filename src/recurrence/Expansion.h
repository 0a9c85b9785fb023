#pragma once
#include <optional>
#include <string>
#include <vector>

#include "recurrence/RepeatSet.h"

namespace torvelle::recurrence {

// One occurrence of a repeating record.
struct Occurrence {
  Date original;             // the day the rule gave it: its name
  Date date;                 // the day it falls on (differs when moved)
  std::optional<Time> time;  // the series' time unless moved with its own
  std::string text;          // empty: the record's own text
  bool done = false;
  bool moved = false;
};

enum class RuleState {
  None,      // no rule (extra dates may still repeat the record)
  Usable,    // expanded as given
  TooDense,  // repeats more than daily: kept, shown on its first day only
  Invalid,   // libical cannot read it: kept, shown on its first day only
};

struct Expansion {
  std::vector<Occurrence> occurrences;  // in order of date
  RuleState state = RuleState::None;
  // The walk stopped at its step limit before the span's end; the
  // occurrences found so far are all there is to show.
  bool cutShort = false;
};

// What a record's rule is, without expanding it.
RuleState ruleState(const std::string& rule);

// The occurrences of a series that starts on `start` (at `time`) and fall on
// days [from, to]. The cost is bounded whatever the rule says: the walk
// stops past `to`, rules finer than a day are not walked, and at most
// kMaxSteps steps are taken (from the series' start when the rule counts
// its occurrences, else from the span's first day).
inline constexpr int kMaxSteps = 50'000;
Expansion expand(const RepeatSet& set, Date start, std::optional<Time> time, Date from, Date to);

// The first occurrence on or after `day`, looking at most `horizonDays` ahead.
std::optional<Occurrence> nextOccurrence(const RepeatSet& set, Date start, std::optional<Time> time,
                                         Date day, int horizonDays = 366 * 8);

// The rule as libical writes it (the form a calendar file brings back), or
// the text as given when libical cannot read it.
std::string canonicalRule(const std::string& rule);

// The rule with its end set to the day before `day` (UNTIL), so that the
// series stops where a "this and following" change begins another one.
std::string ruleEndingBefore(const std::string& rule, Date day);

}  // namespace torvelle::recurrence

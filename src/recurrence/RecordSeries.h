#pragma once
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "recurrence/Expansion.h"

namespace torvelle::recurrence {

// Where a table keeps what a series needs, found once by field name. Works
// for the tasks table and the dates table; absent fields are -1 (an older
// folder left as it was: nothing repeats there).
struct SeriesFields {
  int date = -1, time = -1, rule = -1, exceptions = -1;
  static SeriesFields of(const std::vector<format::FieldDef>& fields);
  bool canRepeat() const { return rule >= 0 && exceptions >= 0; }
};

// The repeat set a record holds (empty rule when it does not repeat).
RepeatSet repeatSetOf(const SeriesFields& fields, const format::Record& record);
// The record's first day and time.
std::optional<Date> startOf(const SeriesFields& fields, const format::Record& record);
std::optional<Time> timeOf(const SeriesFields& fields, const format::Record& record);

// One occurrence of one record of a table.
struct RecordOccurrence {
  std::size_t record = 0;  // index into the records given
  Occurrence occurrence;
};

// Every occurrence in days [from, to] of `records` (a table's records): a
// record that does not repeat counts once, on its own day. Sorted by day
// and time. This is what a month view or a list of a span shows.
std::vector<RecordOccurrence> occurrencesIn(const std::vector<format::FieldDef>& fields,
                                            const std::vector<format::Record>& records, Date from,
                                            Date to);

// Occurrences of series by day, kept per series for a window of days around
// the ones asked for, so that a re-filter or a step to the next day costs a
// lookup. A series is known by its stored texts and start: a change of any
// of them is a new series, and the old entry is dropped with the window.
class OccurrenceCache {
 public:
  // The occurrences of the series on `day` (usually none or one).
  std::vector<Occurrence> on(const std::string& rule, const std::string& exceptions, Date start,
                             std::optional<Time> time, Date day);
  // Days around the asked one that an expansion covers.
  static constexpr int kWindowDays = 200;
  static constexpr std::size_t kMaxEntries = 20000;

 private:
  struct Entry {
    Date from, to;
    std::unordered_map<std::int32_t, std::vector<Occurrence>> byDay;
  };
  std::unordered_map<std::string, Entry> entries_;
};

}  // namespace torvelle::recurrence

#include "recurrence/RecordSeries.h"

#include <algorithm>

#include "engine/FieldText.h"
#include "engine/ShippedTables.h"

namespace torvelle::recurrence {

namespace {

int indexOf(const std::vector<format::FieldDef>& fields, const char* name) {
  for (std::size_t i = 0; i < fields.size(); ++i)
    if (engine::sameFieldName(fields[i].name, name)) return static_cast<int>(i);
  return -1;
}

const std::string* textAt(const format::Record& record, int field) {
  if (field < 0 || static_cast<std::size_t>(field) >= record.size()) return nullptr;
  return std::get_if<std::string>(&record[static_cast<std::size_t>(field)]);
}

}  // namespace

SeriesFields SeriesFields::of(const std::vector<format::FieldDef>& fields) {
  SeriesFields f;
  f.date = indexOf(fields, engine::kDateField);
  f.time = indexOf(fields, engine::kTimeField);
  f.rule = indexOf(fields, engine::kRuleField);
  f.exceptions = indexOf(fields, engine::kExceptionsField);
  return f;
}

RepeatSet repeatSetOf(const SeriesFields& fields, const format::Record& record) {
  const std::string* rule = textAt(record, fields.rule);
  const std::string* exceptions = textAt(record, fields.exceptions);
  return parseRepeatSet(rule ? *rule : std::string(), exceptions ? *exceptions : std::string());
}

std::optional<Date> startOf(const SeriesFields& fields, const format::Record& record) {
  if (fields.date < 0 || static_cast<std::size_t>(fields.date) >= record.size()) return {};
  const auto* date = std::get_if<Date>(&record[static_cast<std::size_t>(fields.date)]);
  return date ? std::optional(*date) : std::nullopt;
}

std::optional<Time> timeOf(const SeriesFields& fields, const format::Record& record) {
  if (fields.time < 0 || static_cast<std::size_t>(fields.time) >= record.size()) return {};
  const auto* time = std::get_if<Time>(&record[static_cast<std::size_t>(fields.time)]);
  return time ? std::optional(*time) : std::nullopt;
}

std::vector<RecordOccurrence> occurrencesIn(const std::vector<format::FieldDef>& fields,
                                            const std::vector<format::Record>& records, Date from,
                                            Date to) {
  const SeriesFields f = SeriesFields::of(fields);
  std::vector<RecordOccurrence> out;
  for (std::size_t r = 0; r < records.size(); ++r) {
    const auto start = startOf(f, records[r]);
    if (!start) continue;
    const RepeatSet set = f.canRepeat() ? repeatSetOf(f, records[r]) : RepeatSet{};
    if (!set.repeats()) {
      if (*start >= from && *start <= to)
        out.push_back({r, Occurrence{*start, *start, timeOf(f, records[r]), {}, false, false}});
      continue;
    }
    for (auto& o : expand(set, *start, timeOf(f, records[r]), from, to).occurrences)
      out.push_back({r, std::move(o)});
  }
  std::stable_sort(
      out.begin(), out.end(), [](const RecordOccurrence& a, const RecordOccurrence& b) {
        const auto ta = a.occurrence.time.value_or(Time{-1}),
                   tb = b.occurrence.time.value_or(Time{-1});
        return a.occurrence.date != b.occurrence.date ? a.occurrence.date < b.occurrence.date
                                                      : ta < tb;
      });
  return out;
}

std::vector<Occurrence> OccurrenceCache::on(const std::string& rule, const std::string& exceptions,
                                            Date start, std::optional<Time> time, Date day) {
  std::string key = rule;
  key += '\x1f';
  key += exceptions;
  key += '\x1f';
  key += std::to_string(start.day) + '/' + std::to_string(time ? time->msec : -1);
  auto it = entries_.find(key);
  if (it == entries_.end() || day < it->second.from || day > it->second.to) {
    // Series edited many times leave old entries behind: start afresh
    // rather than grow without end.
    if (entries_.size() > kMaxEntries) {
      entries_.clear();
      it = entries_.end();
    }
    Entry entry{Date{day.day - kWindowDays}, Date{day.day + kWindowDays}, {}};
    const Expansion e = expand(parseRepeatSet(rule, exceptions), start, time, entry.from, entry.to);
    for (const auto& o : e.occurrences) entry.byDay[o.date.day].push_back(o);
    it = entries_.insert_or_assign(std::move(key), std::move(entry)).first;
  }
  const auto found = it->second.byDay.find(day.day);
  return found == it->second.byDay.end() ? std::vector<Occurrence>{} : found->second;
}

}  // namespace torvelle::recurrence

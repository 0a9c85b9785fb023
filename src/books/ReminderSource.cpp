#include "books/ReminderSource.h"

#include "engine/FieldNames.h"
#include "engine/Session.h"
#include "engine/Table.h"
#include "recurrence/RecordSeries.h"
#include "recurrence/RepeatSet.h"

namespace torvelle::books {
namespace {

struct Fields {
  explicit Fields(const format::TableInfo& info) : info_(info) {}
  int operator()(std::string_view name) const {
    for (std::size_t i = 0; i < info_.fields.size(); ++i)
      if (info_.fields[i].name == name) return static_cast<int>(i);
    return -1;
  }
  const format::TableInfo& info_;
};

template <class T>
T get(const format::Record& record, int field) {
  if (field < 0 || static_cast<std::size_t>(field) >= record.size()) return T{};
  const T* value = std::get_if<T>(&record[static_cast<std::size_t>(field)]);
  return value ? *value : T{};
}

// Days ahead for which a repeating task's occurrences are announced; the
// reminders read the tables again well before that runs out.
constexpr int kOccurrenceDays = 62;

// A repeating task is announced at each occurrence not done, as a task of
// its own; true when `record` repeats (and was handled here).
bool addOccurrences(const recurrence::SeriesFields& series, const format::Record& record,
                    const TaskItem& item, Moment from, std::vector<TaskItem>& items) {
  if (!series.canRepeat()) return false;
  const auto set = recurrence::repeatSetOf(series, record);
  if (!set.repeats()) return false;
  const format::Date first = from > 0 ? dayOf(from) : item.date;
  const auto e = recurrence::expand(set, item.date, item.time, first,
                                    format::Date{first.day + kOccurrenceDays});
  for (const auto& o : e.occurrences) {
    TaskItem occurrence = item;
    occurrence.date = o.date;
    occurrence.time = o.time.value_or(item.time);
    if (!o.text.empty()) occurrence.task = o.text;
    if (!o.done && occurrence.moment() >= from) items.push_back(occurrence);
  }
  return true;
}

std::unique_ptr<format::TableFile> openForReading(const std::filesystem::path& path,
                                                  format::OpenOptions options) {
  options.writable = false;
  return format::TableFile::open(path, options);
}

}  // namespace

std::vector<TaskItem> readTaskItems(const std::filesystem::path& tasksDb,
                                    const format::OpenOptions& options, Moment from) {
  const auto file = openForReading(tasksDb, options);
  const Fields field(file->info());
  const int date = field(engine::kDateField), time = field(engine::kTimeField),
            task = field(engine::kTaskField), done = field(engine::kDoneField),
            description = field(engine::kDescriptionField);
  const auto series = recurrence::SeriesFields::of(file->info().fields);
  std::vector<TaskItem> items;
  for (const format::Record& record : file->readAll()) {
    const auto day = get<format::Date>(record, date);
    const auto at = get<format::Time>(record, time);
    const TaskItem item{day, at, false, get<std::string>(record, task),
                        get<std::string>(record, description)};
    if (day.day > 0 && addOccurrences(series, record, item, from, items)) continue;
    // A task without a day is never due.
    if (day.day <= 0 || get<bool>(record, done) || momentOf(day, at) < from) continue;
    items.push_back({day, get<format::Time>(record, time), get<bool>(record, done),
                     get<std::string>(record, task), get<std::string>(record, description)});
  }
  return items;
}

std::vector<DateItem> readDateItems(const std::filesystem::path& datesDb,
                                    const format::OpenOptions& options) {
  const auto file = openForReading(datesDb, options);
  const Fields field(file->info());
  const int section = field(engine::kSectionField), date = field(engine::kDateField),
            time = field(engine::kTimeField), event = field(engine::kEventField);
  std::vector<DateItem> items;
  for (const format::Record& record : file->readAll())
    items.push_back({get<std::string>(record, section), get<format::Date>(record, date),
                     get<format::Time>(record, time), get<std::string>(record, event)});
  return items;
}

std::vector<TaskItem> taskItemsOf(const engine::Table& taskTable, Moment from) {
  const int date = taskTable.fieldIndex(engine::kDateField),
            time = taskTable.fieldIndex(engine::kTimeField),
            task = taskTable.fieldIndex(engine::kTaskField),
            done = taskTable.fieldIndex(engine::kDoneField),
            description = taskTable.fieldIndex(engine::kDescriptionField);
  const auto series = recurrence::SeriesFields::of(taskTable.info().fields);
  std::vector<TaskItem> items;
  taskTable.forEachStored([&](const engine::RecordView& view) {
    const format::Record& record = view.values();
    const auto day = get<format::Date>(record, date);
    const auto at = get<format::Time>(record, time);
    const TaskItem item{day, at, false, get<std::string>(record, task),
                        get<std::string>(record, description)};
    if (day.day > 0 && addOccurrences(series, record, item, from, items)) return;
    if (day.day <= 0 || get<bool>(record, done) || momentOf(day, at) < from) return;
    items.push_back({day, get<format::Time>(record, time), get<bool>(record, done),
                     get<std::string>(record, task), get<std::string>(record, description)});
  });
  return items;
}

std::vector<DateItem> dateItemsOf(const engine::Table& datesTable) {
  const int section = datesTable.fieldIndex(engine::kSectionField),
            date = datesTable.fieldIndex(engine::kDateField),
            time = datesTable.fieldIndex(engine::kTimeField),
            event = datesTable.fieldIndex(engine::kEventField);
  std::vector<DateItem> items;
  datesTable.forEachStored([&](const engine::RecordView& view) {
    const format::Record& record = view.values();
    items.push_back({get<std::string>(record, section), get<format::Date>(record, date),
                     get<format::Time>(record, time), get<std::string>(record, event)});
  });
  return items;
}

std::optional<recurrence::RecordOccurrence> reminderTask(
    const std::vector<format::FieldDef>& fields, const std::vector<format::Record>& records,
    format::Date date, format::Time time) {
  for (auto& found : recurrence::occurrencesIn(fields, records, date, date)) {
    const recurrence::Occurrence& o = found.occurrence;
    if (o.date == date && o.time == time && !o.done) return std::move(found);
  }
  return std::nullopt;
}

std::optional<DoneChange> reminderDoneChange(const std::vector<format::FieldDef>& fields,
                                             const std::vector<format::Record>& records,
                                             format::Date date, format::Time time) {
  int done = -1;
  for (std::size_t i = 0; i < fields.size(); ++i)
    if (fields[i].name == engine::kDoneField) done = static_cast<int>(i);
  const auto found = reminderTask(fields, records, date, time);
  if (done < 0 || !found) return std::nullopt;
  const auto series = recurrence::SeriesFields::of(fields);
  auto set = series.canRepeat() ? recurrence::repeatSetOf(series, records[found->record])
                                : recurrence::RepeatSet{};
  if (!set.repeats()) return DoneChange{found->record, {{done, format::Value(true)}}};
  set.done.insert(found->occurrence.original);
  return DoneChange{found->record,
                    {{series.exceptions, format::Value(recurrence::exceptionsText(set))}}};
}

bool markTaskDoneInFile(engine::Session& session, const std::filesystem::path& tasksDb,
                        format::Date date, format::Time time) {
  const auto file = session.openFile(tasksDb, true);
  const auto change = reminderDoneChange(file->info().fields, file->readAll(), date, time);
  if (!change) return false;
  file->update(change->record, change->fields);
  return true;
}

}  // namespace torvelle::books

#pragma once
#include <filesystem>
#include <optional>
#include <vector>

#include "books/ReminderRules.h"
#include "engine/format/TableFile.h"
#include "recurrence/RecordSeries.h"

namespace torvelle::engine {
class Session;
class Table;
}  // namespace torvelle::engine

namespace torvelle::books {

// The records the reminders look at, read straight from the table files so
// that the page's filter and current record stay as the user left them.
// Errors are engine::DbError (a missing file, a password not held).
// Tasks are only those not done and due at `from` or later: nothing else is
// ever announced or counted.
std::vector<TaskItem> readTaskItems(const std::filesystem::path& tasksDb,
                                    const format::OpenOptions& options, Moment from = 0);
std::vector<DateItem> readDateItems(const std::filesystem::path& datesDb,
                                    const format::OpenOptions& options);

// The same from a table the program has open, without touching the disk.
std::vector<TaskItem> taskItemsOf(const engine::Table& taskTable, Moment from = 0);
std::vector<DateItem> dateItemsOf(const engine::Table& datesTable);

// What ticking a reminder's task done changes: the plain task keyed by
// `date` and `time`, or the occurrence of a repeating task that falls then
// (its done mark in the exceptions, the series untouched). `record` indexes
// the records given.
// The record, and its occurrence, of the task a reminder of `date` and
// `time` names: a plain task keyed by them, or a repeating task's
// occurrence that falls then. Done occurrences are passed over.
std::optional<recurrence::RecordOccurrence> reminderTask(
    const std::vector<format::FieldDef>& fields, const std::vector<format::Record>& records,
    format::Date date, format::Time time);

struct DoneChange {
  std::size_t record = 0;
  format::FieldChanges fields;
};
std::optional<DoneChange> reminderDoneChange(const std::vector<format::FieldDef>& fields,
                                             const std::vector<format::Record>& records,
                                             format::Date date, format::Time time);

// Marks the task with this key done in the table file, one change of one
// record, for when the program's tables are closed. False when there is no
// such task. The session may ask for the password.
bool markTaskDoneInFile(engine::Session& session, const std::filesystem::path& tasksDb,
                        format::Date date, format::Time time);

}  // namespace torvelle::books

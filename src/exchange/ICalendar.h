#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "engine/format/TableFile.h"
#include "exchange/Import.h"

// The task table as to-dos (VTODO) and the important dates as events
// (VEVENT) of an iCalendar file (RFC 5545), read and written by libical.
namespace torvelle::exchange {

// Rows for a table and what the file held beyond them.
struct ReadRows {
  std::vector<ImportRow> rows;
  std::map<std::string, std::size_t> notStored;
  std::vector<std::string> notes;  // what was assumed about the whole file
};

// `info` is the task table's. Every VTODO is a row on its due day (else its
// start day, else none), every VEVENT one on its start. What libical cannot
// read in a component is counted and left out; a component the checks before
// libical left out (nested too deep, cut short) is a refused row. Throws
// ExchangeError only for a file that is no calendar.
ReadRows readTasksCalendar(std::string_view bytes, const format::TableInfo& info);

// `info` is the dates table's. Every VEVENT is a row in `section` when one is
// given, else in its first category, else in `fallbackSection`. A recurring
// event is taken as its first occurrence and counted. An event without a time
// of day gets a null Time (see settleTimes).
ReadRows readDatesCalendar(std::string_view bytes, const format::TableInfo& info,
                           const std::string& section, const std::string& fallbackSection);

std::string writeTasksCalendar(const format::TableInfo& info,
                               const std::vector<format::Record>& records);
// `yearly` adds a yearly rule to every event (birthdays, anniversaries).
std::string writeDatesCalendar(const format::TableInfo& info,
                               const std::vector<format::Record>& records, bool yearly);

// For a table keyed on a day and a time of day (tasks: Date;Time, dates:
// Section;Date;Time): a row whose key a record with another `textField`
// already holds, in `existing` or among the rows before it, moves on by
// milliseconds to the first free key, so that two things at one moment both
// find room and still show the same time. A row without a time keeps none while that key is free. A
// key held by a record with the same text is that record, and the row keeps it.
void settleTimes(std::vector<ImportRow>& rows, const std::vector<format::Record>& existing,
                 const format::TableInfo& info, const char* textField);

}  // namespace torvelle::exchange

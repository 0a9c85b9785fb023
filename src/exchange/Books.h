#pragma once
#include <filesystem>

#include "engine/format/TableFile.h"

// Which of the organizer's tables a file is, told by its fields, so that an
// import or export of any copy of a table knows its meaning.
namespace torvelle::exchange {

enum class Book { Tasks, Phones, Dates, Links, Sections, Other };

Book bookOf(const format::TableInfo& info);

// Index of the field named `name` (letter case ignored), -1 when absent.
int fieldIndex(const format::TableInfo& info, const char* name);

// The sections table beside a phone, date or link table ("Phones.db" ->
// "PhoneSections.db" in the same folder); empty for the other books.
std::filesystem::path sectionsTableOf(const std::filesystem::path& records, Book book);

}  // namespace torvelle::exchange

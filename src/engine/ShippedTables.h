#pragma once
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "engine/FieldNames.h"
#include "engine/format/Value.h"

namespace torvelle::engine {

// The layout of the seven tables the organizer ships with: the data contract
// between the program and the files in DB/. Key fields come first.
struct ShippedTable {
  std::string objectName;    // "TaskTable", "PhonesTable", ...
  std::string relativePath;  // "DB/Tasks/Tasks.db", relative to the program folder
  std::vector<format::FieldDef> fields;
  int keyFieldCount = 0;
  std::string indexFieldNames;   // the index the program sets: "Date;Time", "Section;Name"
  std::string masterObjectName;  // the sections table of a detail table, else empty
  // The fields other Paradox programs know come first; ours follow them.
  std::size_t designedFieldCount = 0;
};

// The fields of `table` after its designed ones.
std::vector<format::FieldDef> appendedFields(const ShippedTable& table);
// Is `name` one of the fields appended to some shipped table (letter case ignored)?
bool isAppendedField(const std::string& name);

// The code page the tables were designed in: Cyrillic and English text.
inline constexpr int kDesignedCodePage = 1251;

// In the order the program opens them: masters before their details.
const std::vector<ShippedTable>& shippedTables();

// The shipped table named `objectName` ("DatesTable"); DbError when none is.
const ShippedTable& shippedTable(std::string_view objectName);

// Where the shipped table `objectName` lives in the data folder of `table`,
// the file of another shipped table in its usual place: the phone book
// ".../DB/Phones/Phones.db" gives ".../DB/Dates/Dates.db" for "DatesTable".
std::filesystem::path shippedTableBeside(const std::filesystem::path& table,
                                         std::string_view objectName);

// Creates the seven empty tables under `root` (DB/... inside it), their
// text in `codePage` (with the sort order that goes with it). Existing
// tables are left alone, so running it again never loses data.
void createShippedTables(const std::filesystem::path& root, int codePage = kDesignedCodePage);

}  // namespace torvelle::engine

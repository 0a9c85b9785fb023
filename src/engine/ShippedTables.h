#pragma once
#include <filesystem>
#include <string>
#include <vector>

#include "engine/format/Value.h"

namespace torvelle::engine {

// The layout of the seven tables the organizer ships with: the data contract
// between the program and the files in DB/. Key fields come first.
struct ShippedTable {
  std::string objectName;      // "TaskTable", "PhonesTable", ...
  std::string relativePath;    // "DB/Tasks/Tasks.db", relative to the program folder
  std::vector<format::FieldDef> fields;
  int keyFieldCount = 0;
  std::string indexFieldNames; // the index the program sets: "Date;Time", "Section;Name"
  std::string masterObjectName;  // the sections table of a detail table, else empty
};

// In the order the program opens them: masters before their details.
const std::vector<ShippedTable>& shippedTables();

// Creates the seven empty tables under `root` (DB/... inside it). Existing
// tables are left alone, so running it again never loses data.
void createShippedTables(const std::filesystem::path& root);

}  // namespace torvelle::engine

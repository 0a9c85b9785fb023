#pragma once
#include <filesystem>

#include "engine/format/TableWriter.h"

// The steps shared by everything that writes a whole table anew (pack, new
// password, new fields, another code page).
namespace torvelle::format {

class ParadoxTable;

// Renames left half done by a crash are finished before anything reads the
// table; a reader without write access reads what is there.
void settle(const std::filesystem::path& dbPath);

// The records and blobs of an open table, ready to be written anew.
FreshTable copyOf(const ParadoxTable& table);

// Any order the old chain had, the new one is sorted by the header's key.
void sortByKey(FreshTable& fresh);

}  // namespace torvelle::format

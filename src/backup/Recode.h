#pragma once
#include <filesystem>
#include <string>
#include <vector>

#include "engine/format/TableRecoder.h"

namespace torvelle::backup {

struct RecodeRequest {
  int codePage = 0;  // the code page to write
  int readAs = 0;    // the one the stored text is really in; 0: as the headers say
  std::vector<std::string> passwords;
};

// A text that stops the recoding, and the table it is in.
struct UnfitInTable {
  std::string table;
  format::UnfitText text;
};

struct RecodeOutcome {
  // When not empty nothing was changed: every text the code page lacks.
  std::vector<UnfitInTable> unfit;
  std::vector<std::string> recoded;    // tables written anew
  std::vector<std::string> unchanged;  // tables in the code page already
  // The backup taken first: an archive for a data folder, copies of the
  // files beside a single table.
  std::vector<std::filesystem::path> backup;
};

// The tables of the data folder `root` in another code page. All of them
// are held open and checked first; when a text of any cannot be held,
// nothing changes. Otherwise a backup, then one change per table: a kill
// leaves each table old or new, and running it again finishes the rest.
RecodeOutcome recodeFolder(const std::filesystem::path& root, const RecodeRequest& request);

// The same for one table of any program. The backup is a copy of its files
// beside them, named after the code page their header named ("T.DB.cp1252").
RecodeOutcome recodeTable(const std::filesystem::path& table, const RecodeRequest& request);

}  // namespace torvelle::backup

#pragma once
#include <iosfwd>
#include <string>
#include <vector>

#include "engine/format/TableFile.h"

namespace torvelle::tools {

struct RecodeArguments {
  std::string target;  // a data folder, or one table
  int codePage = 0;
  int readAs = 0;
  std::vector<std::string> passwords;
};

// torvelle-db recode: lists every text the code page lacks on `err` and
// changes nothing, or says what was backed up and rewritten on `out`.
// Returns the exit status.
int commandRecode(const RecodeArguments& arguments, std::ostream& out, std::ostream& err);

// When the text of an open table reads as words of another script than its
// code page's (Cyrillic text in 1251 bytes under a Western header, or the
// other way round): a hint naming the code page it reads as. Empty otherwise.
std::string scriptHint(const format::TableFile& table);

}  // namespace torvelle::tools

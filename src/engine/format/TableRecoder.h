#pragma once
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/format/TableFile.h"

namespace torvelle::format {

class ParadoxTable;

// A text of a table that another code page cannot hold.
struct UnfitText {
  static constexpr std::size_t kNoRecord = static_cast<std::size_t>(-1);
  std::size_t record = kNoRecord;  // ordinal from 0; kNoRecord for a field name or the password
  std::string field;               // the field's name; empty for the password
  std::string value;               // the whole text, UTF-8 (empty for the password)
  std::string characters;          // those of it the code page lacks, each once, UTF-8
};

// One table held open for writing while it is checked and then written in
// another code page: every alpha and memo text and every field name in the
// new code page, the header declaring it with its sort order, the keys
// sorted in that order, the password's check value made over its new bytes.
// Other fields and blobs keep their bytes, and so does the format level.
// Errors are engine::DbError.
class TableRecoder {
 public:
  // `readAs` (0: the header's) is the code page the stored text is really in.
  TableRecoder(const std::filesystem::path& dbPath, const OpenOptions& options, int codePage,
               int readAs = 0);
  ~TableRecoder();
  TableRecoder(const TableRecoder&) = delete;
  TableRecoder& operator=(const TableRecoder&) = delete;

  // The code page the header names, the one the text is read in, and the
  // one it is written in.
  int declaredCodePage() const;
  int fromCodePage() const { return from_; }
  int toCodePage() const { return to_; }
  // False when the header declares the code page already and the text is
  // read in it: writing would change nothing.
  bool needed() const;
  // Every text the code page cannot hold, found when the table was opened.
  const std::vector<UnfitText>& unfit() const { return unfit_; }
  // The table's files as they are now (.DB, and .PX and .MB when it has them).
  std::vector<std::filesystem::path> files() const;

  // Writes the new files beside the table and renames them into place in
  // one step: a crash leaves the old table or the new one. Refused when a
  // text does not fit.
  void write();

 private:
  std::unique_ptr<ParadoxTable> table_;
  bool sync_ = true;
  int from_ = 0, to_ = 0;
  std::uint32_t checkValue_ = 0;
  std::vector<UnfitText> unfit_;
};

}  // namespace torvelle::format

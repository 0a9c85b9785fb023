#pragma once
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "engine/format/Value.h"

struct px_doc;

namespace torvelle::format::testing {

// pxlib 0.6.8 as the second opinion on our files. It works around the two
// defects of the packaged version: it hands pxlib a copy of the .MB with one
// byte appended (pxlib aborts on a size that is a multiple of 4096), and it
// takes nulls of 4-byte fields from the raw bytes (pxlib reads them as
// -2147483648).
class PxlibReader {
 public:
  // `scratch` is a folder for the memo file copy.
  PxlibReader(const std::filesystem::path& db, const std::filesystem::path& mb,
              const std::filesystem::path& scratch);
  ~PxlibReader();
  PxlibReader(const PxlibReader&) = delete;
  PxlibReader& operator=(const PxlibReader&) = delete;

  bool opened() const { return doc_ != nullptr; }
  int recordCount() const;
  std::vector<FieldDef> fields() const;
  std::string rawRecord(int recno) const;
  // The record's values as pxlib decodes them, in our value types; text in
  // `codePage` is converted to UTF-8 the way our reader does.
  Record record(int recno, int codePage) const;
  std::vector<Record> all(int codePage) const;
  // PX_read_primary_index + PX_add_primary_index accept the index.
  bool acceptsIndex(const std::filesystem::path& px) const;

 private:
  px_doc* doc_ = nullptr;
};

// The pxlib check value of a password (exported by libpx, not declared).
std::uint32_t pxlibCheckValue(const std::string& password);

// Writes a table with pxlib: level 7, the given code page, optional key
// count (with .PX), password and memo file.
void writeWithPxlib(const std::filesystem::path& db, const std::vector<FieldDef>& fields,
                    const std::vector<Record>& records, int keyFields, int codePage,
                    const std::string& password);

}  // namespace torvelle::format::testing

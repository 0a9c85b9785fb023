#pragma once
#include <stdexcept>
#include <string>

namespace torvelle::engine {

// The one exception type of the table engine. The message is for the user
// ("Key violation.", "Not a Paradox table", "Table is corrupt: ...");
// the kind lets callers react without parsing text.
class DbError : public std::runtime_error {
 public:
  enum class Kind {
    General,
    NotFound,        // missing table file
    NotParadox,      // "Not a Paradox table"
    Corrupt,         // "Table is corrupt: ..."
    PasswordNeeded,  // protected table, no password fits
    KeyViolation,    // "Key violation."
    Busy,            // "Table is busy": another writer holds it
    ReadOnly,        // write attempted on a table opened for reading
    Io,              // disk full, permission denied, ...
    InvalidValue,    // a value that the field cannot hold
    RecordGone,      // bookmark of a deleted record
  };

  DbError(Kind kind, const std::string& message) : std::runtime_error(message), kind_(kind) {}
  Kind kind() const noexcept { return kind_; }

 private:
  Kind kind_;
};

}  // namespace torvelle::engine

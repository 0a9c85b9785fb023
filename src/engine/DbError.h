#pragma once
#include <stdexcept>
#include <string>
#include <utility>

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

// A text with a character that the table's code page lacks (InvalidValue):
// what the program needs to say so and to name a code page that has it.
class LetterNotInCodePage : public DbError {
 public:
  LetterNotInCodePage(const std::string& message, std::string character, int codePage,
                      std::string field)
      : DbError(Kind::InvalidValue, message),
        character_(std::move(character)),
        codePage_(codePage),
        field_(std::move(field)) {}
  const std::string& character() const noexcept { return character_; }  // UTF-8
  int codePage() const noexcept { return codePage_; }
  const std::string& field() const noexcept { return field_; }

 private:
  std::string character_;
  int codePage_;
  std::string field_;
};

}  // namespace torvelle::engine

#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// CSV as RFC 4180 has it: comma separated, a field holding a comma, a quote
// or a line break is quoted, quotes inside are doubled. Lines end in LF on
// output; LF, CRLF and CR are all accepted on input.
namespace torvelle::exchange {

// One field, quoted when it needs to be.
std::string csvField(std::string_view value);

// One record with its line end. A record of one empty field is written as ""
// so that it does not become a blank line, which readers skip.
std::string csvRecord(const std::vector<std::string>& fields);

// Reads records from text held in memory, keeping count of lines so that
// errors can say where they are.
class CsvReader {
 public:
  // A UTF-8 byte-order mark at the start is skipped.
  explicit CsvReader(std::string_view text);

  // The next record, false at the end. Blank lines are skipped. An
  // unterminated quote or text after a closing quote throws TextError naming
  // the line.
  bool next(std::vector<std::string>& fields);

  // Line (from 1) on which the record last returned by next() starts.
  std::size_t recordLine() const { return recordLine_; }

 private:
  void endLine(std::size_t& pos);
  void readQuoted(std::string& field);

  std::string_view text_;
  std::size_t pos_ = 0;
  std::size_t line_ = 1;
  std::size_t recordLine_ = 0;
};

}  // namespace torvelle::exchange

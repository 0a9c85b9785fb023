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
  // A UTF-8 byte-order mark at the start is skipped. `delimiter` separates
  // fields: ',' by default, ';' or a tab in some exports.
  explicit CsvReader(std::string_view text, char delimiter = ',');

  // The next record, false at the end. Blank lines are skipped. An
  // unterminated quote or text after a closing quote throws TextError naming
  // the line, unless lenient(): then text after a closing quote joins the
  // field and an unterminated quote ends the record at the file's end, with
  // fault() saying so.
  bool next(std::vector<std::string>& fields);

  void setLenient(bool lenient) { lenient_ = lenient; }
  // What was wrong with the record last returned; empty when nothing.
  const std::string& fault() const { return fault_; }

  // Line (from 1) on which the record last returned by next() starts.
  std::size_t recordLine() const { return recordLine_; }
  // The bytes of the text [begin, end) the record last returned spans.
  std::size_t recordBegin() const { return recordBegin_; }
  std::size_t recordEnd() const { return pos_; }

 private:
  void endLine(std::size_t& pos);
  void readQuoted(std::string& field);

  std::string_view text_;
  char delimiter_ = ',';
  bool lenient_ = false;
  std::string fault_;
  std::size_t pos_ = 0;
  std::size_t line_ = 1;
  std::size_t recordLine_ = 0;
  std::size_t recordBegin_ = 0;
};

// The delimiter of a CSV text: of comma, semicolon and tab, the one its
// first record holds most often outside quotes; a comma when none.
char sniffDelimiter(std::string_view text);

}  // namespace torvelle::exchange

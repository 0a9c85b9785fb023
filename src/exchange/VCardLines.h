#pragma once
#include <cstddef>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// The lines of a vCard file below the level of contacts: unfolding, one
// property's name, parameters and value, and the transfer encodings.
namespace torvelle::exchange::vcard {

// One content line after unfolding: [group.]NAME;params:value.
struct Property {
  std::size_t line = 0;
  std::string name;             // upper case, without its group
  std::set<std::string> types;  // lower case, from TYPE= and the bare 2.1 form
  std::string encoding;         // upper case; empty for plain text
  std::string charset;          // as written; empty when not named
  std::string value;            // as written, still encoded and escaped
};

// A line after unfolding, with the bytes [begin, end) of the file it spans.
struct LogicalLine {
  std::size_t line = 0;
  std::size_t begin = 0;
  std::size_t end = 0;
  std::string text;
};

// A property we cannot read; the contact goes on without it.
class PropertyFault : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Joins folded lines (a line that starts with a blank continues the one
// before) and the soft line breaks of quoted-printable values (a trailing
// '='), before anything is decoded, so that a break inside a multi-byte
// character does no harm. A quoted-printable value some phones start on the
// line after the colon is joined to its property. Blank lines are dropped.
class Unfolder {
 public:
  explicit Unfolder(std::string_view text) : text_(text) {}
  // The next logical line into `line`; false at the end.
  bool next(LogicalLine& line);

 private:
  bool physical(std::string_view& line, std::size_t& begin, std::size_t& end);

  std::string_view text_;
  std::size_t pos_ = 0;
  std::size_t lineNo_ = 0;
  // A line read ahead that begins the next logical line.
  bool held_ = false;
  std::string_view heldLine_;
  std::size_t heldBegin_ = 0, heldEnd_ = 0, heldNo_ = 0;
};

// nullopt for a line without the colon that ends a property's name.
std::optional<Property> parseProperty(const std::string& text, std::size_t line);

// The value's bytes with QUOTED-PRINTABLE or BASE64 undone; PropertyFault
// for damaged BASE64 or an encoding we do not know.
std::string transferDecoded(const Property& p);

// Splits a structured value at unescaped `sep`, leaving escapes in place.
std::vector<std::string> splitEscaped(std::string_view s, char sep);
// Backslash escapes undone, blanks at the ends trimmed.
std::string unescape(std::string_view s);

// Appends `line` and its CRLF, folded: bytes past 75 go on over lines that
// begin with a space, never cut inside a UTF-8 sequence.
void appendFolded(std::string& out, const std::string& line);

}  // namespace torvelle::exchange::vcard

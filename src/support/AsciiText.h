#pragma once
#include <string>
#include <string_view>

namespace torvelle::support {

// Letter case of the 26 Latin letters only: field names, file names and
// keywords are matched this way whatever the user's locale, and bytes of
// other scripts pass through unchanged.
constexpr char asciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
constexpr char asciiUpper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
std::string asciiLower(std::string_view text);
std::string asciiUpper(std::string_view text);
bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b);

// What the "C" locale counts as white space.
inline constexpr std::string_view kAsciiWhiteSpace = " \t\n\v\f\r";

// The text without the given characters at either end.
std::string_view trimmed(std::string_view text, std::string_view blanks = " \t");

}  // namespace torvelle::support

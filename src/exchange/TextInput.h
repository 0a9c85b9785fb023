#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace torvelle::exchange {

// The longest line a text file may have. Inline photos run to a few hundred
// kilobytes; anything far beyond that is not a contact or a calendar.
constexpr std::size_t maxLineLength = 4 * 1024 * 1024;

// Checks that `bytes` is a text file we can read line by line and returns it
// without a UTF-8 byte-order mark. Throws ExchangeError for binary data, a
// UTF-16 or UTF-32 file and a line longer than maxLineLength, naming the line.
// Whether the text is UTF-8 is left to the reader: some formats name their
// own character set.
std::string_view checkTextInput(std::string_view bytes);

// As checkTextInput, but a whole file in UTF-16 or UTF-32 with its
// byte-order mark is first converted to UTF-8; the text is a copy.
std::string readTextInput(std::string_view bytes);

// Line (from 1) on which byte `offset` of `text` lies.
std::size_t lineAt(std::string_view text, std::size_t offset);

}  // namespace torvelle::exchange

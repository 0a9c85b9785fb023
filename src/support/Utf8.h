#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace torvelle::support {

// Decodes the code point that starts at `pos` and advances `pos` past it.
// Returns -1 (and advances by one byte) for a byte that does not start a
// well-formed sequence, so callers can always make progress.
char32_t decodeUtf8(std::string_view text, std::size_t& pos, bool& ok);

// Appends the UTF-8 form of `cp` to `out`.
void appendUtf8(std::string& out, char32_t cp);

bool isValidUtf8(std::string_view text);

// Length in bytes of the well-formed sequence starting at `pos`, or 0.
std::size_t utf8SequenceLength(std::string_view text, std::size_t pos);

}  // namespace torvelle::support

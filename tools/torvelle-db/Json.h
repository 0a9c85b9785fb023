#pragma once
#include <string>
#include <string_view>

#include "engine/format/Value.h"

namespace torvelle::tools {

// A JSON string literal, quotes included. Control characters are escaped;
// bytes that are not UTF-8 become U+FFFD so the output stays valid JSON.
std::string jsonString(std::string_view text);

// A value as JSON: null, number, boolean, or a string in the text form of
// TextCodec (dates, times, hex bytes). JSON has no NaN or infinity: those
// numbers are written as null.
std::string jsonValue(const format::Value& value);

}  // namespace torvelle::tools

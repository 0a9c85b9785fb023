#pragma once
#include <string>
#include <string_view>

namespace torvelle::support {

// A random (version 4) UUID in lowercase, "0f1e...-....": the identity a new
// record carries through moves, edits and other programs' calendars.
std::string newUuid();

// True for the 36-character lowercase or uppercase form newUuid() makes.
bool isUuid(std::string_view text);

}  // namespace torvelle::support

#pragma once
#include <optional>
#include <string_view>

#include "engine/format/Value.h"

// Dates and times as people type them in spreadsheets and address books.
namespace torvelle::exchange {

// "8:00", "8:00:00", "08:00:00.000" (one to three fraction digits).
std::optional<format::Time> parseLooseTime(std::string_view text);

// "2026-02-01" (year first) and "1.2.2026" (dots: day first, as written
// across Europe). Slashed dates are refused: "1/2/2026" is January in one
// country and February in the next.
std::optional<format::Date> parseLooseDate(std::string_view text);

// "1/2/2026": day first or month first as the caller decided by the file's
// evidence or the locale.
std::optional<format::Date> parseSlashedDate(std::string_view text, bool dayFirst);

}  // namespace torvelle::exchange

#pragma once
#include <ctime>
#include <vector>

namespace torvelle::backup {

// Which backups thinning removes, given their times (any order): the newest
// `keep` stay (at least one); of the others, one a week for eight weeks back
// from `now` and one a calendar month (UTC) before that, each the oldest of
// its span, so that a backup kept for its week or month is not dropped later
// when newer ones age into the same span. Returns indexes into `times`.
std::vector<std::size_t> thinningVictims(const std::vector<std::time_t>& times, int keep,
                                         std::time_t now);

}  // namespace torvelle::backup

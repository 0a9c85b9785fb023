#pragma once
#include <ctime>
#include <vector>

namespace torvelle::backup {

// Which backups thinning removes, given their times (any order): the newest
// `keep` stay (at least one); beyond them, one a week for eight weeks back
// from `now` and one a calendar month before that, each the newest of its
// span (a span the newest ones already stand for keeps no other).
// Weeks and months are fixed calendar spans (UTC), so a backup kept as its
// week's or month's representative is not dropped later for ageing alone.
// Returns indexes into `times`.
std::vector<std::size_t> thinningVictims(const std::vector<std::time_t>& times, int keep,
                                         std::time_t now);

}  // namespace torvelle::backup

#include "backup/Thinning.h"

#include <algorithm>
#include <set>

namespace torvelle::backup {
namespace {

constexpr std::time_t kDay = 24 * 60 * 60;
constexpr std::time_t kWeeklyFor = 8 * 7 * kDay;

long long monthOf(std::time_t t) {
  std::tm tm{};
  gmtime_r(&t, &tm);
  return static_cast<long long>(tm.tm_year) * 12 + tm.tm_mon;
}

// Weeks counted from the epoch; only their fixed length matters.
long long weekOf(std::time_t t) {
  return static_cast<long long>(t / (7 * kDay));
}

}  // namespace

std::vector<std::size_t> thinningVictims(const std::vector<std::time_t>& times, int keep,
                                         std::time_t now) {
  std::vector<std::size_t> order(times.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return times[a] < times[b]; });
  const std::size_t newest = std::min(order.size(), static_cast<std::size_t>(std::max(keep, 1)));
  // Oldest first: the first of a span stands for it, and whatever joins the
  // span later, as it ages, is newer, so the choice never changes.
  std::set<long long> weeks, months;
  std::vector<std::size_t> victims;
  for (std::size_t rank = 0; rank + newest < order.size(); ++rank) {
    const std::size_t i = order[rank];
    const bool first = now - times[i] < kWeeklyFor ? weeks.insert(weekOf(times[i])).second
                                                   : months.insert(monthOf(times[i])).second;
    if (!first) victims.push_back(i);
  }
  std::sort(victims.begin(), victims.end());
  return victims;
}

}  // namespace torvelle::backup

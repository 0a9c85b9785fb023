#include "sync/SyncSummary.h"

namespace torvelle::sync {
namespace {

void list(std::string& out, const char* title, const std::vector<std::string>& lines) {
  if (lines.empty()) return;
  out += title + std::string(" (") + std::to_string(lines.size()) + "):\n";
  for (const auto& line : lines) out += "  " + line + "\n";
}

}  // namespace

std::string SyncSummary::text() const {
  std::string out;
  for (const auto& b : books) {
    out += b.name + ": " + std::to_string(b.pulled) + " from the server, " +
           std::to_string(b.pushed) + " to the server, " + std::to_string(b.removedHere) +
           " removed here, " + std::to_string(b.removedThere) + " removed there\n";
  }
  list(out, "Conflicts", conflicts);
  list(out, "Not taken", refused);
  list(out, "Errors", errors);
  return out;
}

}  // namespace torvelle::sync

#pragma once
#include <cstddef>
#include <string>
#include <vector>

namespace torvelle::sync {

// What one sync did, told to the user the same way by the command line and
// the window.
struct SyncSummary {
  struct Book {
    std::string name;
    std::size_t pulled = 0, pushed = 0, removedHere = 0, removedThere = 0;
  };
  std::vector<Book> books;
  std::vector<std::string> conflicts;
  std::vector<std::string> refused;
  std::vector<std::string> errors;  // a non-empty list means the sync failed

  bool ok() const { return errors.empty(); }
  std::string text() const;
};

}  // namespace torvelle::sync

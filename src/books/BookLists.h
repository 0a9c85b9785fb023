#pragma once
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "engine/format/TableFile.h"

namespace torvelle::engine {
class Table;
}

namespace torvelle::books {

// One printed line of a book: its section and the texts of its columns.
struct ListRow {
  std::string section;
  std::vector<std::string> cells;
};

// The phone book's columns on paper: name, home, work and mobile phone,
// mail address. `section` limits the list to one section, as the page does
// with its link box checked; none lists them all. Key order: section, name.
std::vector<ListRow> phoneRowsOf(const engine::Table& phones,
                                 const std::optional<std::string>& section);
std::vector<ListRow> readPhoneRows(const std::filesystem::path& phonesDb,
                                   const format::OpenOptions& options,
                                   const std::optional<std::string>& section);

// The important dates: date (dd.mm.yyyy), time (hh:mm, blank at midnight)
// and event, by section and date.
std::vector<ListRow> dateRowsOf(const engine::Table& dates);
std::vector<ListRow> readDateRows(const std::filesystem::path& datesDb,
                                  const format::OpenOptions& options);

}  // namespace torvelle::books

#pragma once
// Task records numbered n: the key (Date, Time) and the texts follow from n,
// so a reader can tell exactly which records a table holds.
#include <string>

#include "engine/format/Value.h"

namespace torvelle::backup::test {

inline std::string taskText(int n) {
  return "Quetzal errand number " + std::to_string(n);
}

inline format::Record taskRecord(int n) {
  return {format::Date{730000 + n}, format::Time{(n % 1440) * 60000}, taskText(n), n % 2 == 0,
          "Notes on errand " + std::to_string(n) + std::string(40, '.')};
}

}  // namespace torvelle::backup::test

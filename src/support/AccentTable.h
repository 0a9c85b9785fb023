#pragma once

namespace torvelle::support::detail {

// A letter and the plain letters it is spelled with, UTF-8; sorted by letter.
struct AccentEntry {
  char32_t letter;
  const char* base;
};

extern const AccentEntry kAccentTable[];
extern const int kAccentTableSize;

}  // namespace torvelle::support::detail

#pragma once
#include <cstdint>

namespace torvelle::engine {

// A record's place in one reading of an open table: its slot among the rows
// read at `generation`. Reading the file again (refresh of a read-only table,
// a batch change) begins a new generation, so older bookmarks no longer
// match; a default bookmark matches nothing.
struct Bookmark {
  static constexpr std::uint32_t kNoSlot = 0xFFFFFFFFu;

  std::uint64_t generation = 0;
  std::uint32_t slot = kNoSlot;

  bool empty() const { return slot == kNoSlot; }
  friend bool operator==(const Bookmark&, const Bookmark&) = default;
};

}  // namespace torvelle::engine

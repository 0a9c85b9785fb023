#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "engine/format/Header.h"

namespace torvelle::format {

// How the primary keys of a table compare. Most sort orders compare the
// stored bytes. The Cyrillic ones (ancyrr for code page 1251, cyrr for 866)
// and those of the Western and Central European, Greek and Turkish Windows
// pages (ANSIINTL 1252, anczech 1250, angreek1 1253, ANTURK 1254) compare
// text key fields in dictionary order; other key fields compare by their
// bytes, which the field encoding already makes order-true.
class KeyOrder {
 public:
  // Byte order.
  KeyOrder() = default;
  // The order the table's sort order calls for.
  static KeyOrder of(const DbHeader& header);

  bool dictionary() const { return weights_ != nullptr; }
  // <0, 0 or >0 over the first `n` bytes of two keys; `n` ends on a field
  // boundary. 0 only for equal bytes.
  int compare(const std::uint8_t* a, const std::uint8_t* b, std::size_t n) const;
  int compare(std::string_view a, std::string_view b) const;

  // Per byte: its letter with case, accents and Ё folded away, its accent
  // (0 for none) and whether it is a capital.
  struct Weights {
    std::array<std::uint8_t, 256> letter;
    std::array<std::uint8_t, 256> accent;
    std::array<std::uint8_t, 256> capital;
  };

 private:
  struct Span {
    std::size_t offset = 0, size = 0;
    bool text = false;
  };
  std::vector<Span> spans_;
  const Weights* weights_ = nullptr;
};

}  // namespace torvelle::format

#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace torvelle::format {

using Bytes = std::vector<std::uint8_t>;

// The low byte of `v`: what a byte-sized field of a file keeps of a number.
constexpr std::uint8_t lowByte(std::uint64_t v) {
  return static_cast<std::uint8_t>(v & 0xFF);
}

// Header and block structures are little-endian; field values are
// big-endian (see FieldCodec). These read and write at any offset; a put
// keeps the low bytes of the number it is given.
inline std::uint32_t getU32(const std::uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t{p[3]} << 24);
}
inline std::uint16_t getU16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline void putU16(std::uint8_t* p, std::uint64_t v) {
  p[0] = lowByte(v);
  p[1] = lowByte(v >> 8);
}
inline void putU32(std::uint8_t* p, std::uint64_t v) {
  for (int i = 0; i < 4; ++i) p[i] = lowByte(v >> (8 * i));
}

// Index entries and block numbers inside .PX blocks: big-endian with the top
// bit flipped, as every integer field value is.
inline std::uint16_t getFlipped16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(((p[0] << 8) | p[1]) ^ 0x8000);
}
inline void putFlipped16(std::uint8_t* p, std::uint64_t v) {
  p[0] = lowByte((v ^ 0x8000) >> 8);
  p[1] = lowByte(v);
}

}  // namespace torvelle::format

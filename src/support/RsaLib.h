#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace torvelle::support {

// The routine that turns the byte arrays stored in the program into display
// texts: every character c becomes c^exponent mod modulus, worked out on
// small fixed-size numbers.

// An unsigned number of 100 bytes, base 256, least significant byte first.
using BigNum = std::array<std::uint8_t, 100>;

// Index of the most significant non-zero byte plus one; 0 for zero.
std::size_t BigNumLength(const BigNum& number) noexcept;

// out := base^exponent, by plain repeated multiplication. Throws
// std::overflow_error when the power does not fit in 100 bytes (never for
// exponents up to 100).
void BigNumPower(std::uint8_t base, std::uint8_t exponent, BigNum& out);

// number mod modulus. Throws std::invalid_argument for a modulus of 0.
std::uint8_t BigNumModByte(const BigNum& number, std::uint8_t modulus);

// out := text with every character c replaced by c^exponent mod modulus.
// `out` may be the very string `text` views.
void RsaTransformText(std::string_view text, std::uint8_t exponent, std::uint8_t modulus,
                      std::string& out);

// out := the bytes of array[0..highestIndex] before the first zero byte.
// Never reads past the end of `array`, whatever `highestIndex` says.
void ArrayToText(std::span<const std::uint8_t> array, std::size_t highestIndex, std::string& out);

}  // namespace torvelle::support

#include "support/RsaLib.h"

#include <limits>
#include <stdexcept>
#include <utility>

namespace torvelle::support {

std::size_t BigNumLength(const BigNum& number) noexcept {
  std::size_t length = number.size();
  while (length > 0 && number[length - 1] == 0) --length;
  return length;
}

void BigNumPower(std::uint8_t base, std::uint8_t exponent, BigNum& out) {
  BigNum work{};
  work[0] = 1;
  out.fill(0);
  for (unsigned step = 0; step < exponent; ++step) {
    const std::size_t length = BigNumLength(work);
    std::uint16_t carry = 0;
    for (std::size_t i = 0; i < length; ++i) {
      // At most 255 * 255 + 254, so it fits 16 bits.
      const auto t = static_cast<std::uint16_t>(work[i] * base + carry);
      work[i] = static_cast<std::uint8_t>(t & 0xFF);
      carry = static_cast<std::uint16_t>(t >> 8);
    }
    if (length < work.size())
      work[length] = static_cast<std::uint8_t>(carry);
    else if (carry != 0)
      throw std::overflow_error("Power does not fit in 100 bytes");
  }
  out = work;
}

std::uint8_t BigNumModByte(const BigNum& number, std::uint8_t modulus) {
  if (modulus == 0) throw std::invalid_argument("Modulus must not be 0");
  std::uint32_t r = 0;
  for (std::size_t i = BigNumLength(number); i-- > 0;) r = (r * 256 + number[i]) % modulus;
  return static_cast<std::uint8_t>(r);
}

void RsaTransformText(std::string_view text, std::uint8_t exponent, std::uint8_t modulus,
                      std::string& out) {
  if (text.size() > std::numeric_limits<std::uint16_t>::max())
    throw std::length_error("Text too long to transform");
  // Built apart, so that `text` may view `out` itself.
  std::string result(text);
  BigNum power{};
  for (char& c : result) {
    BigNumPower(static_cast<std::uint8_t>(c), exponent, power);
    c = static_cast<char>(BigNumModByte(power, modulus));
  }
  out = std::move(result);
}

void ArrayToText(std::span<const std::uint8_t> array, std::size_t highestIndex, std::string& out) {
  std::string text;
  for (std::size_t i = 0; i <= highestIndex && i < array.size() && array[i] != 0; ++i)
    text += static_cast<char>(array[i]);
  out = std::move(text);
}

}  // namespace torvelle::support

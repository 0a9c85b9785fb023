#include "support/RsaLib.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "support/ScrambledTexts.h"

using namespace torvelle::support;

namespace {

std::string transform(std::string_view text, int exponent, int modulus) {
  std::string out = "garbage";
  RsaTransformText(text, static_cast<std::uint8_t>(exponent), static_cast<std::uint8_t>(modulus),
                   out);
  return out;
}

}  // namespace

TEST(BigNum, LengthAndPower) {
  BigNum n{};
  EXPECT_EQ(BigNumLength(n), 0u);
  n[0] = 1;
  EXPECT_EQ(BigNumLength(n), 1u);
  n[0] = 0;
  n[1] = 1;  // 256
  EXPECT_EQ(BigNumLength(n), 2u);
  n[99] = 7;
  EXPECT_EQ(BigNumLength(n), 100u);

  BigNum p{};
  p.fill(0xAA);  // every byte is written, not only the significant ones
  BigNumPower(2, 10, p);
  EXPECT_EQ(p[0], 0x00);
  EXPECT_EQ(p[1], 0x04);
  EXPECT_EQ(BigNumLength(p), 2u);

  BigNumPower(255, 100, p);
  EXPECT_EQ(BigNumLength(p), 100u);
  EXPECT_EQ(p[0], 1);  // 255^100 = (-1)^100 mod 256

  BigNumPower(0, 5, p);
  EXPECT_EQ(BigNumLength(p), 0u);
  BigNumPower(9, 0, p);
  EXPECT_EQ(BigNumLength(p), 1u);
  EXPECT_EQ(p[0], 1);
}

TEST(BigNum, PowerThatDoesNotFitIsRefused) {
  BigNum p{};
  EXPECT_THROW(BigNumPower(255, 101, p), std::overflow_error);
  EXPECT_NO_THROW(BigNumPower(1, 255, p));
  EXPECT_NO_THROW(BigNumPower(2, 255, p));  // 2^255 fits in 32 bytes
}

TEST(BigNum, ModByteMatchesExactArithmetic) {
  // Compare against modular exponentiation done another way.
  for (int base : {0, 1, 2, 3, 97, 128, 200, 255}) {
    for (int exponent : {1, 2, 7, 31, 64, 100}) {
      for (int modulus : {1, 2, 7, 127, 200, 251, 255}) {
        BigNum p{};
        BigNumPower(static_cast<std::uint8_t>(base), static_cast<std::uint8_t>(exponent), p);
        unsigned expected = 1 % modulus;
        for (int i = 0; i < exponent; ++i) expected = expected * base % modulus;
        EXPECT_EQ(BigNumModByte(p, static_cast<std::uint8_t>(modulus)), expected)
            << base << "^" << exponent << " mod " << modulus;
      }
    }
  }
  EXPECT_THROW(BigNumModByte(BigNum{}, 0), std::invalid_argument);
}

TEST(RsaTransform, EdgeCases) {
  EXPECT_EQ(transform("", 7, 131), "");
  EXPECT_EQ(transform("Torvelle 1.03", 1, 200), "Torvelle 1.03");
  // With exponent 1 a code at or above the modulus is reduced.
  EXPECT_EQ(transform("zA", 1, 100), std::string({'\x16', 'A'}));
  EXPECT_EQ(transform(std::string(1, '\0'), 5, 131), std::string(1, '\0'));
  // Modulo the prime 131, exponent 93 undoes exponent 7 (7 * 93 = 5 * 130 + 1).
  const std::string text = "Hello, world";
  EXPECT_EQ(transform(transform(text, 7, 131), 93, 131), text);
}

TEST(RsaTransform, CallersTextIsNotChanged) {
  std::string shared = "abc";
  // A second holder of the same text: the copy is the point.
  const std::string other = shared;  // NOLINT(performance-unnecessary-copy-initialization)
  std::string out;
  RsaTransformText(shared, 3, 101, out);
  EXPECT_EQ(shared, "abc");
  EXPECT_EQ(other, "abc");
  EXPECT_NE(out, "abc");
  // Transforming into the text it reads from gives the same result.
  std::string inPlace = "abc";
  RsaTransformText(inPlace, 3, 101, inPlace);
  EXPECT_EQ(inPlace, out);
}

TEST(ArrayToText, StopsAtZeroOrHighestIndex) {
  const std::vector<std::uint8_t> array{'a', 'b', 'c', 0, 'd'};
  std::string out = "old";
  ArrayToText(array, 4, out);
  EXPECT_EQ(out, "abc");
  ArrayToText(array, 1, out);
  EXPECT_EQ(out, "ab");
  ArrayToText(std::vector<std::uint8_t>{0, 'x'}, 1, out);
  EXPECT_EQ(out, "");
  // A highest index beyond the array never reads past it.
  const std::vector<std::uint8_t> noZero{'x', 'y'};
  ArrayToText(noZero, 1000, out);
  EXPECT_EQ(out, "xy");
}

TEST(ScrambledTexts, EachArrayDecodesToItsText) {
  EXPECT_EQ(firstLinkText(), "torvelle@example.org");
  EXPECT_EQ(secondLinkText(), "Report a problem");
  EXPECT_EQ(thirdLinkText(), "www.torvelle.example.org");
  EXPECT_EQ(splashSecondLine(), thirdLinkText());
  EXPECT_EQ(firstLinkAddress(),
            "mailto:torvelle@example.org?subject=Torvelle%201.03"
            "&body=Written%20from%20Torvelle%201.03.%0D%0A%0D%0AHello,%0D%0A");
  EXPECT_EQ(secondLinkAddress(),
            "mailto:torvelle@example.org?subject=Problem%20report:%20Torvelle%201.03"
            "&body=Written%20from%20Torvelle%201.03.%0D%0A%0D%0AWhat%20happened:%0D%0A");
}

#include "support/Letters.h"

#include <string_view>

namespace torvelle::support {
namespace {

// Base letters of U+00C0..U+00FF and U+0100..U+017F; '*' marks characters
// that have none (× ÷ Þ þ keep themselves).
constexpr std::string_view kLatin1Bases =
    "AAAAAAACEEEEIIIIDNOOOOO*OUUUUY*saaaaaaaceeeeiiiidnooooo*ouuuuy*y";
constexpr std::string_view kLatinExtendedBases =
    "AaAaAaCcCcCcCcDdDdEeEeEeEeEeGgGgGgGgHhHhIiIiIiIiIiIiJjKkkLlLlLlLlLlNnNnNnnNnOoOoOoOoRrRrRr"
    "SsSsSsSsTtTtTtUuUuUuUuUuUuWwYyYZzZzZzs";

bool odd(char32_t c) {
  return (c & 1U) != 0;
}

char32_t latinCapitalOf(char32_t c) {
  if (c < 0x80) return c >= U'a' && c <= U'z' ? c - 0x20 : c;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
  if (c == 0xFF) return 0x178;
  // Latin Extended-A pairs a capital with the small letter after it; in
  // two runs the capital has the odd code.
  if (c == 0x131) return U'I';
  if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) return odd(c) ? c - 1 : c;
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return odd(c) ? c : c - 1;
  if (c == 0x1A1 || c == 0x1B0) return c - 1;  // ơ ư
  return c;
}

char32_t greekCapitalOf(char32_t c) {
  if (c == 0x3C2) return 0x3A3;  // final sigma
  if (c >= 0x3B1 && c <= 0x3CB) return c - 0x20;
  if (c == 0x3AC) return 0x386;
  if (c >= 0x3AD && c <= 0x3AF) return c - 0x25;
  if (c == 0x3CC) return 0x38C;
  if (c >= 0x3CD && c <= 0x3CE) return c - 0x3F;
  return c;
}

char32_t cyrillicCapitalOf(char32_t c) {
  if (c >= 0x430 && c <= 0x44F) return c - 0x20;
  if (c >= 0x450 && c <= 0x45F) return c - 0x50;
  if (c >= 0x490 && c <= 0x4BF && odd(c)) return c - 1;
  return c;
}

}  // namespace

char32_t capitalOf(char32_t c) noexcept {
  if (c < 0x370) return latinCapitalOf(c);
  return c < 0x400 ? greekCapitalOf(c) : cyrillicCapitalOf(c);
}

bool isCapital(char32_t c) noexcept {
  if (c < 0x80) return c >= U'A' && c <= U'Z';
  if (c >= 0xC0 && c <= 0xDE) return c != 0xD7;
  if (c == 0x178 || c == 0x130) return true;
  if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) return !odd(c);
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return odd(c);
  if (c == 0x1A0 || c == 0x1AF) return true;
  if (c == 0x386 || (c >= 0x388 && c <= 0x38A) || c == 0x38C || c == 0x38E || c == 0x38F)
    return true;
  if (c >= 0x391 && c <= 0x3AB) return c != 0x3A2;
  if (c >= 0x400 && c <= 0x42F) return true;
  if (c >= 0x490 && c <= 0x4BF) return !odd(c);
  return false;
}

char32_t baseLetterOf(char32_t c) noexcept {
  const auto pick = [c](std::string_view bases, char32_t first) {
    const char b = bases[c - first];
    return b == '*' ? c : static_cast<char32_t>(static_cast<unsigned char>(b));
  };
  if (c >= 0xC0 && c <= 0xFF) return pick(kLatin1Bases, 0xC0);
  if (c >= 0x100 && c <= 0x17F) return pick(kLatinExtendedBases, 0x100);
  if (c == 0x1A0 || c == 0x1A1) return c == 0x1A0 ? U'O' : U'o';
  if (c == 0x1AF || c == 0x1B0) return c == 0x1AF ? U'U' : U'u';
  switch (c) {
    case 0x386:
      return 0x391;  // Ά
    case 0x388:
      return 0x395;  // Έ
    case 0x389:
      return 0x397;  // Ή
    case 0x38A:
    case 0x3AA:
      return 0x399;  // Ί Ϊ
    case 0x38C:
      return 0x39F;  // Ό
    case 0x38E:
    case 0x3AB:
      return 0x3A5;  // Ύ Ϋ
    case 0x38F:
      return 0x3A9;  // Ώ
    case 0x3AC:
      return 0x3B1;  // ά
    case 0x3AD:
      return 0x3B5;  // έ
    case 0x3AE:
      return 0x3B7;  // ή
    case 0x3AF:
    case 0x3CA:
    case 0x390:
      return 0x3B9;  // ί ϊ ΐ
    case 0x3CC:
      return 0x3BF;  // ό
    case 0x3CD:
    case 0x3CB:
    case 0x3B0:
      return 0x3C5;  // ύ ϋ ΰ
    case 0x3CE:
      return 0x3C9;  // ώ
    case 0x3C2:
      return 0x3C3;  // ς
    default:
      return c;
  }
}

}  // namespace torvelle::support

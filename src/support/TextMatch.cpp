#include "support/TextMatch.h"

#include <array>
#include <cstddef>

#include "support/Utf8.h"

namespace torvelle::support {
namespace {

bool isContinuation(unsigned char b) {
  return (b & 0xC0) == 0x80;
}

// Folds `in` into `out` (same size). In UTF-8, а-п are D0 B0..BF (capitals
// D0 90..9F) and р-я are D1 80..8F (capitals D0 A0..AF). D0 and D1 never
// occur inside another sequence, so a pair of lead byte and continuation is
// always a whole character and the fold can work byte by byte.
void foldInto(std::string_view in, char* out) {
  const std::size_t n = in.size();
  for (std::size_t i = 0; i < n; ++i) {
    const auto b = static_cast<unsigned char>(in[i]);
    if (b >= 'a' && b <= 'z') {
      out[i] = static_cast<char>(b - 0x20);
    } else if ((b == 0xD0 || b == 0xD1) && i + 1 < n) {
      const auto c = static_cast<unsigned char>(in[i + 1]);
      if (b == 0xD0 && c >= 0xB0 && c <= 0xBF) {
        out[i] = static_cast<char>(0xD0);
        out[++i] = static_cast<char>(c - 0x20);
      } else if (b == 0xD1 && c >= 0x80 && c <= 0x8F) {
        out[i] = static_cast<char>(0xD0);
        out[++i] = static_cast<char>(c + 0x20);
      } else {
        out[i] = static_cast<char>(b);
      }
    } else {
      out[i] = static_cast<char>(b);
    }
  }
}

// A character here is what decodeUtf8 reads: a well-formed sequence or one
// stray byte. `pos` lies inside a character only when a lead byte at most
// three bytes before it starts a well-formed sequence reaching past it.
bool isBoundary(std::string_view text, std::size_t pos) {
  if (pos == 0 || pos >= text.size()) return true;
  if (!isContinuation(static_cast<unsigned char>(text[pos]))) return true;
  const std::size_t first = pos >= 3 ? pos - 3 : 0;
  for (std::size_t j = pos; j-- > first;) {
    const auto b = static_cast<unsigned char>(text[j]);
    if (isContinuation(b)) continue;
    return utf8SequenceLength(text, j) <= pos - j;
  }
  return true;
}

bool findOnBoundaries(std::string_view text, std::string_view pattern) {
  for (std::size_t at = text.find(pattern); at != std::string_view::npos;
       at = text.find(pattern, at + 1)) {
    if (isBoundary(text, at) && isBoundary(text, at + pattern.size())) return true;
  }
  return false;
}

}  // namespace

char32_t upperChar(char32_t c) noexcept {
  if ((c >= U'a' && c <= U'z') || (c >= 0x0430 && c <= 0x044F)) return c - 0x20;
  return c;
}

std::string upperCase(std::string_view text) {
  std::string out(text.size(), '\0');
  foldInto(text, out.data());
  return out;
}

bool textMatch(std::string_view text, std::string_view pattern, bool ignoreCase) {
  if (pattern.empty()) return true;
  if (pattern.size() > text.size()) return false;
  if (!ignoreCase) return findOnBoundaries(text, pattern);

  // Short fields (nearly all of them) are folded on the stack.
  constexpr std::size_t kStack = 512;
  std::array<char, kStack> stack;
  std::string heap;
  char* buffer = stack.data();
  if (text.size() + pattern.size() > kStack) {
    heap.resize(text.size() + pattern.size());
    buffer = heap.data();
  }
  foldInto(text, buffer);
  foldInto(pattern, buffer + text.size());
  return findOnBoundaries(std::string_view(buffer, text.size()),
                          std::string_view(buffer + text.size(), pattern.size()));
}

}  // namespace torvelle::support

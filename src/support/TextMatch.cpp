#include "support/TextMatch.h"

#include <array>
#include <cstddef>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define TORVELLE_FOLD_SSE2 1
#else
#define TORVELLE_FOLD_SSE2 0
#endif

#include <algorithm>
#include <bit>
#include <map>
#include <mutex>

#include "support/CodePage.h"
#include "support/Letters.h"
#include "support/Utf8.h"

namespace torvelle::support {
namespace {

bool isContinuation(unsigned char b) {
  return (b & 0xC0) == 0x80;
}

// Folds in[from, to) into out. In UTF-8, а-п are D0 B0..BF (capitals D0
// 90..9F) and р-я are D1 80..8F (capitals D0 A0..AF). D0 and D1 never occur
// inside another sequence, so a lead byte followed by such a continuation is
// always a whole letter, and each output byte depends only on its neighbours.
void foldScalar(const unsigned char* in, std::size_t n, std::size_t from, std::size_t to,
                char* out) {
  for (std::size_t i = from; i < to; ++i) {
    const unsigned b = in[i];
    const unsigned prev = i > 0 ? in[i - 1] : 0u;
    const unsigned next = i + 1 < n ? in[i + 1] : 0u;
    unsigned r = b;
    if (b - 'a' <= 'z' - 'a' || (prev == 0xD0 && b - 0xB0u <= 0x0Fu))
      r = b - 0x20;
    else if (prev == 0xD1 && b - 0x80u <= 0x0Fu)
      r = b + 0x20;
    else if (b == 0xD1 && next - 0x80u <= 0x0Fu)
      r = 0xD0;
    out[i] = static_cast<char>(r);
  }
}

#if TORVELLE_FOLD_SSE2
// x in [lo, lo + span] for every byte, as 0xFF or 0x00.
__m128i inRange(__m128i x, unsigned char lo, unsigned char span) {
  const __m128i t = _mm_sub_epi8(x, _mm_set1_epi8(static_cast<char>(lo)));
  return _mm_cmpeq_epi8(_mm_min_epu8(t, _mm_set1_epi8(static_cast<char>(span))), t);
}
#endif

#if TORVELLE_FOLD_SSE2
// Folds the 16 bytes at `b`; `prev` and `next` are the same run shifted by
// one byte either way.
void foldBlock(const unsigned char* prev, const unsigned char* b, const unsigned char* next,
               char* out) {
  const auto load = [](const unsigned char* at) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
  };
  const __m128i v = load(b), before = load(prev), after = load(next);
  const __m128i d0 = _mm_set1_epi8(static_cast<char>(0xD0));
  const __m128i d1 = _mm_set1_epi8(static_cast<char>(0xD1));
  const __m128i down =
      _mm_or_si128(inRange(v, 'a', 'z' - 'a'),
                   _mm_and_si128(_mm_cmpeq_epi8(before, d0), inRange(v, 0xB0, 0x0F)));
  const __m128i up = _mm_and_si128(_mm_cmpeq_epi8(before, d1), inRange(v, 0x80, 0x0F));
  const __m128i lead = _mm_and_si128(_mm_cmpeq_epi8(v, d1), inRange(after, 0x80, 0x0F));
  __m128i r = _mm_sub_epi8(v, _mm_and_si128(down, _mm_set1_epi8(0x20)));
  r = _mm_add_epi8(r, _mm_and_si128(up, _mm_set1_epi8(0x20)));
  r = _mm_sub_epi8(r, _mm_and_si128(lead, _mm_set1_epi8(0x01)));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), r);
}
#endif

// Filters fold millions of bytes a keystroke: 16 at a time where we can.
void foldInto(std::string_view text, char* out) {
  const auto* in = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
#if TORVELLE_FOLD_SSE2
  if (n >= 18) {
    // Blocks need a byte before and after them: the first and the last byte
    // go one by one, and the last block may overlap the one before it.
    foldScalar(in, n, 0, 1, out);
    for (std::size_t i = 1;; i += 16) {
      if (i + 17 > n) i = n - 17;
      foldBlock(in + i - 1, in + i, in + i + 1, out + i);
      if (i == n - 17) break;
    }
    foldScalar(in, n, n - 1, n, out);
    return;
  }
  if (n >= 4 && n <= 16) {
    alignas(16) unsigned char pad[48] = {};
    std::memcpy(pad + 16, in, n);
    alignas(16) char folded[16];
    foldBlock(pad + 15, pad + 16, pad + 17, folded);
    std::memcpy(out, folded, n);
    return;
  }
  foldScalar(in, n, 0, n, out);
#else
  foldScalar(in, n, 0, n, out);
#endif
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

// The search looks for one byte of the pattern with memchr and compares the
// rest only there. In Cyrillic text every other byte is D0 or D1, so the
// anchor is the first byte that is neither.
std::size_t anchorOf(std::string_view pattern) {
  for (std::size_t k = 0; k < pattern.size(); ++k) {
    const auto b = static_cast<unsigned char>(pattern[k]);
    if (b != 0xD0 && b != 0xD1 && b != ' ') return k;
  }
  return 0;
}

// Whether the m bytes at `a` and `b` agree; patterns are short, and a loop
// costs less than a call to memcmp.
bool sameBytes(const char* a, const char* b, std::size_t m) {
  for (std::size_t i = 0; i < m; ++i)
    if (a[i] != b[i]) return false;
  return true;
}

// Two bytes of the pattern that together rule out most places: the anchor
// and the last byte, or the first and the last when they are one.
std::pair<std::size_t, std::size_t> probesOf(std::string_view pattern) {
  const std::size_t last = pattern.size() - 1;
  const std::size_t k = anchorOf(pattern);
  return {k == last ? 0 : k, last};
}

// text.find(pattern, from) for a pattern of at least two bytes that fits
// from `from` on.
std::size_t findBytesFrom(std::string_view text, std::string_view pattern, std::size_t from) {
  const std::size_t m = pattern.size();
  const char* const base = text.data();
  std::size_t start = from;
#if TORVELLE_FOLD_SSE2
  // Sixteen places at a time: where both probe bytes match, the rest is
  // compared. Filters search texts a few dozen bytes long, where this beats
  // a memchr and a memcmp per occurrence of one byte.
  const auto [p, q] = probesOf(pattern);
  const __m128i atP = _mm_set1_epi8(pattern[p]);
  const __m128i atQ = _mm_set1_epi8(pattern[q]);
  for (; start + q + 16 <= text.size(); start += 16) {
    const auto load = [&](std::size_t at) {
      return _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + start + at));
    };
    auto mask = static_cast<unsigned>(_mm_movemask_epi8(
        _mm_and_si128(_mm_cmpeq_epi8(load(p), atP), _mm_cmpeq_epi8(load(q), atQ))));
    for (; mask != 0; mask &= mask - 1) {
      const std::size_t at = start + static_cast<std::size_t>(std::countr_zero(mask));
      if (at + m <= text.size() && sameBytes(base + at, pattern.data(), m)) return at;
    }
  }
#endif
  return text.find(pattern, start);
}

std::size_t findOnBoundariesFrom(std::string_view text, std::string_view pattern,
                                 std::size_t from) {
  const std::size_t m = pattern.size();
  const std::size_t lastStart = text.size() - m;
  if (m == 1) {
    const char* const base = text.data();
    while (from <= lastStart) {
      const void* hit = std::memchr(base + from, pattern[0], lastStart - from + 1);
      if (!hit) return std::string_view::npos;
      const auto start = static_cast<std::size_t>(static_cast<const char*>(hit) - base);
      if (isBoundary(text, start) && isBoundary(text, start + 1)) return start;
      from = start + 1;
    }
    return std::string_view::npos;
  }
  while (from <= lastStart) {
    const std::size_t start = findBytesFrom(text, pattern, from);
    if (start == std::string_view::npos) return start;
    if (isBoundary(text, start) && isBoundary(text, start + m)) return start;
    from = start + 1;
  }
  return std::string_view::npos;
}

bool findOnBoundaries(std::string_view text, std::string_view pattern) {
  return findOnBoundariesFrom(text, pattern, 0) != std::string_view::npos;
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

namespace {

// Folds `text` on the stack when it is short (nearly every field is) and
// searches the folded pattern in it.
bool foldAndFind(std::string_view text, std::string_view foldedPattern,
                 std::string_view rawPattern = {}) {
  constexpr std::size_t kStack = 512;
  std::array<char, kStack> stack;
  std::string heap;
  char* buffer = stack.data();
  const std::size_t need = text.size() + rawPattern.size();
  if (need > kStack) {
    heap.resize(need);
    buffer = heap.data();
  }
  foldInto(text, buffer);
  if (!rawPattern.empty()) {
    foldInto(rawPattern, buffer + text.size());
    foldedPattern = std::string_view(buffer + text.size(), rawPattern.size());
  }
  return findOnBoundaries(std::string_view(buffer, text.size()), foldedPattern);
}

// The letters of a code page that have their capital in the same page.
const std::vector<std::pair<char32_t, char32_t>>& lettersOf(int codePage) {
  static std::mutex mutex;
  static std::map<int, std::vector<std::pair<char32_t, char32_t>>> pages;
  const std::lock_guard lock(mutex);
  auto [it, inserted] = pages.try_emplace(codePage);
  if (inserted) {
    for (int b = 0x80; b < 0x100; ++b) {
      const char32_t small = charOfByte(static_cast<unsigned char>(b), codePage);
      const char32_t capital = capitalOf(small);
      if (capital != small && byteOfChar(capital, codePage) >= 0)
        it->second.emplace_back(small, capital);
    }
    std::sort(it->second.begin(), it->second.end());
  }
  return it->second;
}

bool findIn(std::string_view text, std::string_view pattern) {
  return pattern.size() <= text.size() && findOnBoundaries(text, pattern);
}

}  // namespace

CaseFold::CaseFold(int codePage) {
  if (codePage == 1251 || !codePageSupported(codePage)) return;
  letters_ = &lettersOf(codePage);
  turkish_ = codePage == 1254 || codePage == 857;
}

std::string CaseFold::operator()(std::string_view text) const {
  if (!letters_) return upperCase(text);
  std::string out;
  out.reserve(text.size() + 4);
  for (std::size_t pos = 0; pos < text.size();) {
    const auto b = static_cast<unsigned char>(text[pos]);
    if (b < 0x80) {
      if (turkish_ && b == 'i')
        out += "\xC4\xB0";  // İ
      else
        out += static_cast<char>(b >= 'a' && b <= 'z' ? b - 0x20 : b);
      ++pos;
      continue;
    }
    const std::size_t start = pos;
    bool ok = false;
    const char32_t c = decodeUtf8(text, pos, ok);
    const auto it = ok ? std::lower_bound(letters_->begin(), letters_->end(),
                                          std::pair<char32_t, char32_t>{c, 0})
                       : letters_->end();
    if (it != letters_->end() && it->first == c)
      appendUtf8(out, it->second);
    else
      out.append(text.substr(start, pos - start));
  }
  return out;
}

std::size_t findBytes(std::string_view text, std::string_view pattern, std::size_t from) {
  if (from > text.size() || pattern.size() > text.size() - from) return std::string_view::npos;
  if (pattern.size() < 2) return text.find(pattern, from);
  return findBytesFrom(text, pattern, from);
}

std::size_t findWhole(std::string_view text, std::string_view pattern, std::size_t from) {
  if (pattern.empty() || pattern.size() > text.size()) return std::string_view::npos;
  return findOnBoundariesFrom(text, pattern, from);
}

bool textMatch(std::string_view text, std::string_view pattern, bool ignoreCase) {
  if (pattern.empty()) return true;
  if (pattern.size() > text.size()) return false;
  if (!ignoreCase) return findOnBoundaries(text, pattern);
  return foldAndFind(text, {}, pattern);
}

bool textMatch(std::string_view text, std::string_view pattern, bool ignoreCase,
               const CaseFold& fold) {
  if (!ignoreCase || fold.designed()) return textMatch(text, pattern, ignoreCase);
  if (pattern.empty()) return true;
  return findIn(fold(text), fold(pattern));
}

TextMatcher::TextMatcher(std::string_view pattern, bool ignoreCase, CaseFold fold)
    : pattern_(ignoreCase ? fold(pattern) : std::string(pattern)),
      ignoreCase_(ignoreCase),
      fold_(fold) {}

bool TextMatcher::operator()(std::string_view text) const {
  if (pattern_.empty()) return true;
  if (!ignoreCase_) return findIn(text, pattern_);
  // A fold may change lengths: only the designed one can rule out a text by its size.
  if (!fold_.designed()) return findIn(fold_(text), pattern_);
  if (pattern_.size() > text.size()) return false;
  return foldAndFind(text, pattern_);
}

}  // namespace torvelle::support

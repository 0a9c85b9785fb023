#include "engine/format/KeyOrder.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include "support/CodePage.h"
#include "support/Letters.h"

namespace torvelle::format {
namespace {

// `lower` and `upper` are the first bytes of runs of `count` small and
// capital letters.
void addLetters(KeyOrder::Weights& w, std::size_t lower, std::size_t upper, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    w.letter[lower + i] = lowByte(upper + i);
    w.capital[upper + i] = 1;
  }
}

KeyOrder::Weights baseWeights() {
  KeyOrder::Weights w{};
  for (std::size_t b = 0; b < 256; ++b) w.letter[b] = lowByte(b);
  addLetters(w, 'a', 'A', 26);
  return w;
}

const KeyOrder::Weights& cp1251Weights() {
  static const KeyOrder::Weights w = [] {
    auto t = baseWeights();
    addLetters(t, 0xE0, 0xC0, 32);  // а-я, А-Я
    // Ё and ё are read as Е: a Russian dictionary puts them together.
    t.letter[0xA8] = t.letter[0xB8] = 0xC5;
    t.capital[0xA8] = 1;
    return t;
  }();
  return w;
}

const KeyOrder::Weights& cp866Weights() {
  static const KeyOrder::Weights w = [] {
    auto t = baseWeights();
    addLetters(t, 0xA0, 0x80, 16);           // а-п, А-П
    addLetters(t, 0xE0, 0x90, 16);           // р-я, Р-Я
    t.letter[0xF0] = t.letter[0xF1] = 0x85;  // Ё, ё as Е
    t.capital[0xF0] = 1;
    return t;
  }();
  return w;
}

// A Latin, Greek or Turkish Windows page: each byte weighs as the capital
// of its base letter; accented letters rank after the plain one in the
// order of their code points; capitals are marked.
KeyOrder::Weights accentedWeights(int codePage) {
  auto t = baseWeights();
  std::vector<char32_t> accented;
  std::array<char32_t, 256> chars{};
  for (int b = 0; b < 256; ++b) {
    const auto byte = static_cast<std::size_t>(b);
    const char32_t c = support::charOfByte(static_cast<unsigned char>(b), codePage);
    chars[byte] = c;
    const char32_t base = support::capitalOf(support::baseLetterOf(c));
    if (const int weight = support::byteOfChar(base, codePage); weight >= 0)
      t.letter[byte] = lowByte(weight);
    else if (const int capital = support::byteOfChar(support::capitalOf(c), codePage); capital >= 0)
      t.letter[byte] = lowByte(capital);
    t.capital[byte] = support::isCapital(c) ? 1 : 0;
    if (support::baseLetterOf(c) != c) accented.push_back(support::capitalOf(c));
  }
  std::sort(accented.begin(), accented.end());
  accented.erase(std::unique(accented.begin(), accented.end()), accented.end());
  for (std::size_t b = 0; b < 256; ++b) {
    if (support::baseLetterOf(chars[b]) == chars[b]) continue;
    const auto rank =
        std::lower_bound(accented.begin(), accented.end(), support::capitalOf(chars[b])) -
        accented.begin();
    t.accent[b] = lowByte(rank + 1);
  }
  return t;
}

const KeyOrder::Weights& weightsOf(int codePage) {
  static std::mutex mutex;
  static std::map<int, KeyOrder::Weights> pages;
  const std::lock_guard lock(mutex);
  auto it = pages.find(codePage);
  if (it == pages.end()) it = pages.emplace(codePage, accentedWeights(codePage)).first;
  return it->second;
}

int sign(int v) {
  return (v > 0) - (v < 0);
}

// The index of the first byte in which `a` and `b` differ, `n` when none:
// eight bytes a step, as keys are mostly long runs of equal padding.
std::size_t firstDifference(const std::uint8_t* a, const std::uint8_t* b, std::size_t n) {
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    std::uint64_t x = 0, y = 0;
    std::memcpy(&x, a + i, 8);
    std::memcpy(&y, b + i, 8);
    if (x != y) break;
  }
  while (i < n && a[i] == b[i]) ++i;
  return i;
}

// Dictionary order of two NUL-padded texts: letters without regard to
// accents and case first, then accents at the first place they differ (the
// plain letter first), then case (small before capital), then the bytes.
// The exact order of the original drivers is not documented; this is our
// best knowledge of it, and what readers of these languages expect of a
// dictionary (Müller beside Muller, Ärger among the A words). Letters that
// some of these languages count apart (Czech č, Turkish ş) sort as accented
// forms of their base letter here.
int compareText(const KeyOrder::Weights& w, const std::uint8_t* a, const std::uint8_t* b,
                std::size_t n) {
  // Equal bytes weigh the same: every pass may start at the first byte that
  // differs, and equal texts (most of a key's fields) cost one memcmp.
  const std::size_t from = firstDifference(a, b, n);
  if (from == n) return 0;
  for (std::size_t i = from; i < n; ++i)
    if (w.letter[a[i]] != w.letter[b[i]]) return w.letter[a[i]] < w.letter[b[i]] ? -1 : 1;
  for (std::size_t i = from; i < n; ++i)
    if (w.accent[a[i]] != w.accent[b[i]]) return w.accent[a[i]] < w.accent[b[i]] ? -1 : 1;
  for (std::size_t i = from; i < n; ++i)
    if (w.capital[a[i]] != w.capital[b[i]]) return w.capital[a[i]] < w.capital[b[i]] ? -1 : 1;
  return a[from] < b[from] ? -1 : 1;
}

}  // namespace

KeyOrder KeyOrder::of(const DbHeader& header) {
  KeyOrder order;
  const int sort = header.sortOrder, page = header.codePage;
  if (sort == 0x8F && page == 1251)
    order.weights_ = &cp1251Weights();
  else if (sort == 0xC0 && page == 866)
    order.weights_ = &cp866Weights();
  else if ((sort == 0x62 && page == 1252) || (sort == 0xDC && page == 1250) ||
           (sort == 0x0E && page == 1253) || (sort == 0xD5 && page == 1254))
    order.weights_ = &weightsOf(page);
  else
    return order;
  for (std::size_t f = 0; f < header.keyFields; ++f) {
    order.spans_.push_back(
        {header.offsets[f], header.fieldBytes(f), header.fields[f].type == FieldType::Alpha});
  }
  return order;
}

int KeyOrder::compare(const std::uint8_t* a, const std::uint8_t* b, std::size_t n) const {
  if (!weights_) return sign(std::memcmp(a, b, n));
  for (const auto& span : spans_) {
    if (span.offset >= n) break;
    const std::size_t size = std::min(span.size, n - span.offset);
    const int c = span.text ? compareText(*weights_, a + span.offset, b + span.offset, size)
                            : sign(std::memcmp(a + span.offset, b + span.offset, size));
    if (c != 0) return c;
  }
  return 0;
}

int KeyOrder::compare(std::string_view a, std::string_view b) const {
  const std::size_t n = std::min(a.size(), b.size());
  const int c = compare(reinterpret_cast<const std::uint8_t*>(a.data()),
                        reinterpret_cast<const std::uint8_t*>(b.data()), n);
  if (c != 0) return c;
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

}  // namespace torvelle::format

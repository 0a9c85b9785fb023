#include "support/CodePage.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "support/CodePageTables.h"
#include "support/Utf8.h"

namespace torvelle::support {
namespace {

const detail::CodePageTable* findTable(int codePage) {
  // Asked for every text field decoded, nearly always for the page asked
  // last: the walk over all the tables touches a cache line for each.
  thread_local const detail::CodePageTable* last = nullptr;
  if (last && last->codePage == codePage) return last;
  for (int i = 0; i < detail::kCodePageTableCount; ++i)
    if (detail::kCodePageTables[i].codePage == codePage) return last = &detail::kCodePageTables[i];
  return nullptr;
}

const detail::CodePageTable& tableOrThrow(int codePage) {
  const auto* table = findTable(codePage);
  if (!table) throw CodePageError("Unsupported code page " + std::to_string(codePage));
  return *table;
}

// The byte of each character of one page: 256 blocks of 256 characters,
// the blocks the page does not use left out; 0 for a character it lacks
// (no character past ASCII has a byte below 0x80).
class ReverseMap {
 public:
  explicit ReverseMap(const detail::CodePageTable& table) {
    // From the top down, so that a character two bytes stand for takes the lower.
    for (int i = 127; i >= 0; --i) {
      const char16_t c = table.upper[i];
      auto& slot = blockOf_[c >> 8];
      if (slot == 0) {
        blocks_.emplace_back();
        slot = static_cast<std::uint8_t>(blocks_.size());
      }
      blocks_[slot - 1u][c & 0xFF] = static_cast<unsigned char>(0x80 + i);
    }
  }
  // The byte of `c`, or 0.
  unsigned char byteOf(char32_t c) const {
    if (c > 0xFFFF) return 0;
    const std::uint8_t slot = blockOf_[c >> 8];
    return slot == 0 ? 0 : blocks_[slot - 1u][c & 0xFF];
  }

 private:
  std::array<std::uint8_t, 256> blockOf_{};  // 1 + index into blocks_, 0 for none
  std::vector<std::array<unsigned char, 256>> blocks_;
};

// Made once for every page, at the first use of any: a lookup per character
// of every text stored must not take a lock.
const ReverseMap& reverseMap(const detail::CodePageTable& table) {
  static const std::vector<ReverseMap> maps = [] {
    std::vector<ReverseMap> all;
    all.reserve(static_cast<std::size_t>(detail::kCodePageTableCount));
    for (int i = 0; i < detail::kCodePageTableCount; ++i)
      all.emplace_back(detail::kCodePageTables[i]);
    return all;
  }();
  return maps[static_cast<std::size_t>(&table - detail::kCodePageTables)];
}

std::string describe(char32_t cp) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(cp));
  std::string text = "\"";
  appendUtf8(text, cp);
  return text + "\" (" + buf + ")";
}

}  // namespace

bool codePageSupported(int codePage) {
  return findTable(codePage) != nullptr;
}

std::string toUtf8(std::string_view bytes, int codePage) {
  const auto& table = tableOrThrow(codePage);
  // Most texts are plain ASCII, which is the same in UTF-8: copied whole.
  const auto high = std::find_if(bytes.begin(), bytes.end(),
                                 [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
  if (high == bytes.end()) return std::string(bytes);
  std::string out;
  out.reserve(bytes.size() * 2);
  out.append(bytes.begin(), high);
  for (const char c : bytes.substr(static_cast<std::size_t>(high - bytes.begin()))) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x80)
      out += c;
    else
      appendUtf8(out, table.upper[b - 0x80]);
  }
  return out;
}

namespace {

// Walks `utf8` as fromUtf8 converts it, handing each run of ASCII and each
// other byte to `out`; throws as fromUtf8 does.
template <class Out>
void convertFromUtf8(std::string_view utf8, int codePage, Out&& out) {
  const auto& table = tableOrThrow(codePage);
  // Taken at the first character past ASCII: most texts have none.
  const ReverseMap* reverse = nullptr;
  for (std::size_t pos = 0; pos < utf8.size();) {
    const std::size_t run = pos;
    while (pos < utf8.size() && static_cast<unsigned char>(utf8[pos]) < 0x80) ++pos;
    out.ascii(utf8.substr(run, pos - run));
    if (pos == utf8.size()) break;
    bool ok = false;
    const std::size_t start = pos;
    const char32_t cp = decodeUtf8(utf8, pos, ok);
    if (!ok) throw CodePageError("Text is not valid UTF-8 at byte " + std::to_string(start));
    if (cp < 0x80) {
      out.byte(static_cast<unsigned char>(cp));
      continue;
    }
    if (!reverse) reverse = &reverseMap(table);
    const unsigned char b = reverse->byteOf(cp);
    if (b == 0)
      throw CodePageError("The character " + describe(cp) + " cannot be stored in code page " +
                              std::to_string(codePage),
                          cp);
    out.byte(b);
  }
}

}  // namespace

std::string fromUtf8(std::string_view utf8, int codePage) {
  struct Into {
    std::string text;
    void ascii(std::string_view run) { text.append(run); }
    void byte(unsigned char b) { text += static_cast<char>(b); }
  } into;
  into.text.reserve(utf8.size());
  convertFromUtf8(utf8, codePage, into);
  return std::move(into.text);
}

std::size_t sizeInCodePage(std::string_view utf8, int codePage) {
  struct Count {
    std::size_t size = 0;
    void ascii(std::string_view run) { size += run.size(); }
    void byte(unsigned char) { ++size; }
  } count;
  convertFromUtf8(utf8, codePage, count);
  return count.size;
}

bool representable(std::string_view utf8, int codePage) {
  try {
    sizeInCodePage(utf8, codePage);
    return true;
  } catch (const CodePageError&) {
    return false;
  }
}

char32_t charOfByte(unsigned char b, int codePage) {
  const auto& table = tableOrThrow(codePage);
  return b < 0x80 ? b : table.upper[b - 0x80];
}

int byteOfChar(char32_t c, int codePage) {
  const auto& reverse = reverseMap(tableOrThrow(codePage));
  if (c < 0x80) return static_cast<int>(c);
  const unsigned char b = reverse.byteOf(c);
  return b == 0 ? -1 : b;
}

}  // namespace torvelle::support

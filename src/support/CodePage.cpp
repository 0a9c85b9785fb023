#include "support/CodePage.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <mutex>
#include <unordered_map>

#include "support/CodePageTables.h"
#include "support/Utf8.h"

namespace torvelle::support {
namespace {

const detail::CodePageTable* findTable(int codePage) {
  for (int i = 0; i < detail::kCodePageTableCount; ++i)
    if (detail::kCodePageTables[i].codePage == codePage) return &detail::kCodePageTables[i];
  return nullptr;
}

const detail::CodePageTable& tableOrThrow(int codePage) {
  const auto* table = findTable(codePage);
  if (!table) throw CodePageError("Unsupported code page " + std::to_string(codePage));
  return *table;
}

// Reverse maps are built once per page on first use.
const std::unordered_map<char32_t, unsigned char>& reverseMap(const detail::CodePageTable& table) {
  static std::mutex mutex;
  static std::unordered_map<int, std::unordered_map<char32_t, unsigned char>> maps;
  const std::lock_guard lock(mutex);
  auto [it, inserted] = maps.try_emplace(table.codePage);
  if (inserted)
    for (int i = 127; i >= 0; --i)
      it->second[table.upper[i]] = static_cast<unsigned char>(0x80 + i);
  return it->second;
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

std::string fromUtf8(std::string_view utf8, int codePage) {
  const auto& table = tableOrThrow(codePage);
  // Taken at the first character past ASCII: most texts have none.
  const std::unordered_map<char32_t, unsigned char>* reverse = nullptr;
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t pos = 0; pos < utf8.size();) {
    const std::size_t run = pos;
    while (pos < utf8.size() && static_cast<unsigned char>(utf8[pos]) < 0x80) ++pos;
    out.append(utf8.substr(run, pos - run));
    if (pos == utf8.size()) break;
    bool ok = false;
    const std::size_t start = pos;
    const char32_t cp = decodeUtf8(utf8, pos, ok);
    if (!ok) throw CodePageError("Text is not valid UTF-8 at byte " + std::to_string(start));
    if (cp < 0x80) {
      out += static_cast<char>(cp);
      continue;
    }
    if (!reverse) reverse = &reverseMap(table);
    const auto it = reverse->find(cp);
    if (it == reverse->end())
      throw CodePageError("The character " + describe(cp) + " cannot be stored in code page " +
                              std::to_string(codePage),
                          cp);
    out += static_cast<char>(it->second);
  }
  return out;
}

bool representable(std::string_view utf8, int codePage) {
  try {
    fromUtf8(utf8, codePage);
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
  const auto it = reverse.find(c);
  return it == reverse.end() ? -1 : it->second;
}

}  // namespace torvelle::support

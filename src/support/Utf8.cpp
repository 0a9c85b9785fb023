#include "support/Utf8.h"

namespace torvelle::support {

std::size_t utf8SequenceLength(std::string_view text, std::size_t pos) {
  const auto at = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  if (pos >= text.size()) return 0;
  const unsigned char b0 = at(pos);
  std::size_t len = 0;
  char32_t min = 0;
  if (b0 < 0x80) return 1;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    len = 2, min = 0x80;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    len = 3, min = 0x800;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    len = 4, min = 0x10000;
  } else {
    return 0;
  }
  if (pos + len > text.size()) return 0;
  char32_t cp = b0 & (0x7F >> len);
  for (std::size_t i = 1; i < len; ++i) {
    const unsigned char b = at(pos + i);
    if ((b & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return len;
}

char32_t decodeUtf8(std::string_view text, std::size_t& pos, bool& ok) {
  const std::size_t len = utf8SequenceLength(text, pos);
  if (len == 0) {
    ok = false;
    ++pos;
    return static_cast<char32_t>(-1);
  }
  ok = true;
  const auto b0 = static_cast<unsigned char>(text[pos]);
  if (len == 1) {
    ++pos;
    return b0;
  }
  char32_t cp = b0 & (0x7F >> len);
  for (std::size_t i = 1; i < len; ++i)
    cp = (cp << 6) | (static_cast<unsigned char>(text[pos + i]) & 0x3F);
  pos += len;
  return cp;
}

void appendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

bool isValidUtf8(std::string_view text) {
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t len = utf8SequenceLength(text, pos);
    if (len == 0) return false;
    pos += len;
  }
  return true;
}

}  // namespace torvelle::support

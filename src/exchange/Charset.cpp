#include "exchange/Charset.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>

#include "exchange/ExchangeError.h"
#include "support/Utf8.h"

namespace torvelle::exchange {

std::optional<std::string> convertToUtf8(std::string_view bytes, const std::string& charset,
                                         std::string& error) {
  const iconv_t cd = iconv_open("UTF-8", charset.c_str());
  // iconv_open tells failure by the address (iconv_t)-1.
  if (reinterpret_cast<std::intptr_t>(cd) == -1) {
    error = "unknown character set \"" + charset + "\"";
    return std::nullopt;
  }
  std::string out(bytes.size() * 4 + 16, '\0');
  // iconv's interface takes non-const input; it does not write through it.
  char* in = const_cast<char*>(bytes.data());
  std::size_t inLeft = bytes.size();
  char* dst = out.data();
  std::size_t outLeft = out.size();
  const std::size_t rc = iconv(cd, &in, &inLeft, &dst, &outLeft);
  const int failure = errno;
  iconv_close(cd);
  if (rc == static_cast<std::size_t>(-1)) {
    const auto at = std::to_string(bytes.size() - inLeft);
    error = failure == EILSEQ || failure == EINVAL
                ? "the bytes from " + at + " on are not " + charset + " text"
                : "the text cannot be converted from " + charset;
    return std::nullopt;
  }
  out.resize(out.size() - outLeft);
  return out;
}

namespace {

bool isAsciiLetter(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Letters of the upper half in both Windows-1251 (Cyrillic) and -1252
// (accented Latin); 0xA8/0xB8 are Ё and ё.
bool isHighLetter(unsigned char c) {
  return c >= 0xC0 || c == 0xA8 || c == 0xB8;
}

}  // namespace

void EightBitGuess::add(std::string_view bytes) {
  bool any = false;
  for (const char c : bytes) any = any || (static_cast<unsigned char>(c) & 0x80) != 0;
  if (!any) return;
  sawEightBit_ = true;
  if (support::isValidUtf8(bytes)) return;
  allUtf8_ = false;
  // A Cyrillic word is all upper-half letters; a Latin word with accents
  // mixes them with plain letters ("Müller").
  std::size_t i = 0;
  while (i < bytes.size()) {
    std::size_t ascii = 0;
    std::size_t high = 0;
    for (; i < bytes.size(); ++i) {
      const auto c = static_cast<unsigned char>(bytes[i]);
      if (isAsciiLetter(c)) {
        ++ascii;
      } else if (isHighLetter(c)) {
        ++high;
      } else {
        break;
      }
    }
    if (high > 0 && ascii == 0 && high >= 2) ++cyrillicVotes_;
    if (high > 0 && ascii > 0) ++latinVotes_;
    ++i;
  }
}

int EightBitGuess::codePage() const {
  if (allUtf8_) return 0;
  return cyrillicVotes_ > latinVotes_ ? 1251 : 1252;
}

std::optional<std::string> wideFileAsUtf8(std::string_view bytes) {
  const char* charset = nullptr;
  std::size_t mark = 0;
  if (bytes.starts_with(std::string_view("\xFF\xFE\0\0", 4))) {
    charset = "UTF-32LE";
    mark = 4;
  } else if (bytes.starts_with(std::string_view("\0\0\xFE\xFF", 4))) {
    charset = "UTF-32BE";
    mark = 4;
  } else if (bytes.starts_with("\xFF\xFE")) {
    charset = "UTF-16LE";
    mark = 2;
  } else if (bytes.starts_with("\xFE\xFF")) {
    charset = "UTF-16BE";
    mark = 2;
  } else {
    return std::nullopt;
  }
  std::string error;
  auto text = convertToUtf8(bytes.substr(mark), charset, error);
  if (!text) throw ExchangeError(std::string("the file begins as ") + charset + " but " + error);
  return text;
}

}  // namespace torvelle::exchange

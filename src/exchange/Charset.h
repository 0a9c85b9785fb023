#pragma once
#include <optional>
#include <string>
#include <string_view>

// Character sets that files name or leave unsaid, turned into UTF-8.
namespace torvelle::exchange {

// `bytes` in the character set `charset` (any name the C library's iconv
// knows: "Shift_JIS", "KOI8-R", "ISO-8859-5", ...) as UTF-8. nullopt with
// `error` set when iconv does not know the name or the bytes are not text of
// that set.
std::optional<std::string> convertToUtf8(std::string_view bytes, const std::string& charset,
                                         std::string& error);

// Gathers 8-bit text that names no character set and decides what it is:
// UTF-8 when all of it is well formed, else Windows-1251 when its letters
// read as Cyrillic words, else Windows-1252.
class EightBitGuess {
 public:
  void add(std::string_view bytes);
  // 0 for UTF-8, else the code page.
  int codePage() const;
  bool sawEightBit() const { return sawEightBit_; }
  // Words whose letters read as Cyrillic in 1251, and words that mix plain
  // letters with accented ones as 1252 reads them.
  long cyrillicWords() const { return cyrillicVotes_; }
  long latinWords() const { return latinVotes_; }

 private:
  bool sawEightBit_ = false;
  bool allUtf8_ = true;
  long cyrillicVotes_ = 0;
  long latinVotes_ = 0;
};

// A whole file that begins with a UTF-16 or UTF-32 byte-order mark, as UTF-8
// without it; nullopt when there is no such mark. Throws ExchangeError when
// the rest is not text of that encoding.
std::optional<std::string> wideFileAsUtf8(std::string_view bytes);

}  // namespace torvelle::exchange

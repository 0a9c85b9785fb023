#pragma once
#include <stdexcept>
#include <string>
#include <string_view>

namespace torvelle::support {

// A text that the target code page cannot hold, or input that is not UTF-8.
class CodePageError : public std::runtime_error {
 public:
  explicit CodePageError(const std::string& message, char32_t character = 0)
      : std::runtime_error(message), character_(character) {}
  // The character the code page lacks; 0 for input that is not UTF-8.
  char32_t character() const noexcept { return character_; }

 private:
  char32_t character_;
};

// The single-byte code pages we convert (437, 850, 866, 1251, 1252 and the
// other common DOS and Windows pages).
bool codePageSupported(int codePage);

// Bytes of `codePage` to UTF-8. Never fails: every byte has a code point.
// Throws CodePageError only for an unsupported code page.
std::string toUtf8(std::string_view bytes, int codePage);

// UTF-8 to bytes of `codePage`. A character the page cannot hold, or input
// that is not valid UTF-8, throws CodePageError naming it; nothing is ever
// replaced by '?'.
std::string fromUtf8(std::string_view utf8, int codePage);

// The length of fromUtf8's result, without making it; throws as it does.
std::size_t sizeInCodePage(std::string_view utf8, int codePage);

// True when every character of `utf8` exists in `codePage`.
bool representable(std::string_view utf8, int codePage);

// The character byte `b` stands for in `codePage`, and the byte of `c` in it
// (-1 when the page lacks it). Both throw CodePageError for an unsupported page.
char32_t charOfByte(unsigned char b, int codePage);
int byteOfChar(char32_t c, int codePage);

}  // namespace torvelle::support

#include "exchange/TextInput.h"

#include <algorithm>

#include "exchange/Charset.h"
#include "exchange/ExchangeError.h"

namespace torvelle::exchange {

std::size_t lineAt(std::string_view text, std::size_t offset) {
  offset = std::min(offset, text.size());
  return 1 + static_cast<std::size_t>(std::count(text.begin(), text.begin() + offset, '\n'));
}

std::string_view checkTextInput(std::string_view bytes) {
  if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF") ||
      bytes.starts_with(std::string_view("\0\0\xFE\xFF", 4))) {
    throw ExchangeError("the file is UTF-16 or UTF-32; save it as UTF-8 and import it again");
  }
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  if (const auto nul = bytes.find('\0'); nul != std::string_view::npos) {
    throw ExchangeError("line " + std::to_string(lineAt(bytes, nul)) +
                        ": binary data (a NUL byte); this is not a text file");
  }
  std::size_t start = 0;
  while (start < bytes.size()) {
    auto end = bytes.find('\n', start);
    if (end == std::string_view::npos) end = bytes.size();
    if (end - start > maxLineLength) {
      throw ExchangeError("line " + std::to_string(lineAt(bytes, start)) + " is " +
                          std::to_string(end - start) + " bytes long, more than " +
                          std::to_string(maxLineLength) + "; this is not a text file we can read");
    }
    start = end + 1;
  }
  return bytes;
}

std::string readTextInput(std::string_view bytes) {
  if (auto wide = wideFileAsUtf8(bytes)) return std::string(checkTextInput(*wide));
  return std::string(checkTextInput(bytes));
}

}  // namespace torvelle::exchange

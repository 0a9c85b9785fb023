#pragma once
#include <string>
#include <string_view>

namespace torvelle::support {

// The plain letters a letter is spelled with once its accents go: "ü" gives
// "u", "ß" "ss", "æ" "ae", "ё" "е"; empty for any other character.
std::string_view baseLetters(char32_t letter);

// `utf8` with each character that `codePage` lacks replaced by its base
// letters when the code page holds those. Characters without such a base
// stay as they are, so that storing the text still fails and names them.
// Input that is not UTF-8 comes back unchanged.
std::string foldAccents(std::string_view utf8, int codePage);

}  // namespace torvelle::support

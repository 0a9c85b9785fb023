#pragma once
#include <string>
#include <string_view>

namespace torvelle::support {

// The code page new tables take for text of a language, by its ISO 639 code
// ("de", "ru"): 1251 for Cyrillic languages, 1252 Western European, 1250
// Central European, 1253 Greek, 1254 Turkish, 1257 Baltic; 0 for a language
// none of them holds.
int codePageForLanguage(std::string_view isoLanguage);

// The language of a POSIX locale name: "de_DE.UTF-8" and "de@euro" give
// "de"; "C", "POSIX" and "" give "".
std::string languageOfLocale(std::string_view locale);

// The locale the environment names for text: LC_ALL, else LC_CTYPE, else LANG.
std::string environmentLocale();

// The code page of new tables for the language of `locale`, the designed
// one (1251) when that language has none of its own.
int codePageForLocale(std::string_view locale);

}  // namespace torvelle::support
